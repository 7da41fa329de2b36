#include "sim/geometry.h"

#include <cmath>

#include <gtest/gtest.h>

#include "sim/call_log.h"
#include "base/error.h"

namespace tessaly::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
const double kBall = 4.0 / 3.0 * kPi; // unit sphere

TEST(SphereBoxOverlap, KnownFractionsOfTheSphere)
{
    const cad::Point3 lo{0, 0, 0};
    const cad::Point3 hi{10, 10, 10};
    EXPECT_NEAR(SphereBoxOverlap({5, 5, 5}, 1, lo, hi), kBall, 1e-6);        // inside
    EXPECT_NEAR(SphereBoxOverlap({5, 5, 10}, 1, lo, hi), kBall / 2, 1e-6);   // half, at a face
    EXPECT_NEAR(SphereBoxOverlap({5, 10, 10}, 1, lo, hi), kBall / 4, 1e-6);  // at an edge
    EXPECT_NEAR(SphereBoxOverlap({10, 10, 10}, 1, lo, hi), kBall / 8, 1e-6); // at a corner
    EXPECT_EQ(SphereBoxOverlap({5, 5, 11}, 1, lo, hi), 0);                   // touching a face
    EXPECT_EQ(SphereBoxOverlap({50, 5, 5}, 1, lo, hi), 0);
    // A cap of height 0.5: pi h^2 (3r - h) / 3.
    EXPECT_NEAR(SphereBoxOverlap({5, 5, 10.5}, 1, lo, hi), kPi * 0.25 * 2.5 / 3, 1e-6);
    // A box smaller than the sphere: the box's volume.
    EXPECT_NEAR(SphereBoxOverlap({0, 0, 0}, 10, {-1, -1, -1}, {1, 1, 1}), 8, 1e-6);
}

TEST(SphereBoxOverlap, SplittingTheBoxKeepsTheVolume)
{
    // Off-centre cuts through sides and corners, where the slices are least regular.
    const cad::Point3 centre{1.43, 1.33, 0.62};
    const cad::Point3 lo{0, 0, 0};
    const cad::Point3 hi{1.51, 0.37, 1.39};
    const double whole = SphereBoxOverlap(centre, 1, lo, hi);
    ASSERT_GT(whole, 0);
    for (double cut : {0.61, 1.02, 1.37}) {
        const double parts =
            SphereBoxOverlap(centre, 1, lo, {cut, hi[1], hi[2]}) + SphereBoxOverlap(centre, 1, {cut, lo[1], lo[2]}, hi);
        EXPECT_NEAR(parts / whole, 1, 1e-7) << cut;
    }
}

TEST(SphereSphereOverlap, LensAndContainment)
{
    EXPECT_EQ(SphereSphereOverlap({0, 0, 0}, 1, {2, 0, 0}, 1), 0);
    EXPECT_NEAR(SphereSphereOverlap({0, 0, 0}, 1, {0, 0, 0.5}, 3), kBall, 1e-12);
    // Two unit spheres one radius apart: 5 pi / 12.
    EXPECT_NEAR(SphereSphereOverlap({0, 0, 0}, 1, {1, 0, 0}, 1), 5 * kPi / 12, 1e-12);
    EXPECT_NEAR(BoxBoxOverlap({0, 0, 0}, {2, 2, 2}, {1, 1, 1}, {3, 3, 3}), 1, 1e-12);
}

TEST(CallLog, RecordsAndFailsTheChosenCall)
{
    CallLog log;
    log.FailAt(2);
    log.FailOn("B", 2);
    log.Record("A");
    EXPECT_THROW(log.Record("B"), Error); // position 2
    EXPECT_THROW(log.Record("B"), Error); // second B counted from FailOn
    log.Record("B");
    EXPECT_EQ(log.Count(), 4u);
    EXPECT_EQ(log.CountOf("B"), 3u);
    log.Clear();
    log.FailAlways("C");
    EXPECT_THROW(log.Record("C"), Error);
    EXPECT_THROW(log.Record("C"), Error);
    log.ClearFailures();
    log.Record("C");
}

} // namespace
} // namespace tessaly::sim
