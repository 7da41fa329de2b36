// Automation calls per point, in each plot mode and with more or fewer transforms,
// against the least that the action must make: a point costs the same calls whatever
// the number of points, and no call beyond those.
#include <map>

#include <gtest/gtest.h>

#include "sweep/sweep_cell.h"

namespace tessaly::test::sweep {
namespace {

using Calls = std::map<std::string, int>;

// Calls of the measuring application for one point after the first: the point read,
// a read and a write per shift and per mirror, a write per depth change, and the three
// reads for its entry.
Calls MeasuringCallsPerPoint(const Settings& s)
{
    static const char* const kRead[3] = {"X", "Y", "Z"};
    static const char* const kWrite[3] = {"X=", "Y=", "Z="};
    Calls calls{{"GetPoint", 1}};
    for (int a = 0; a < 3; ++a) {
        const int changes = !s.shift[a].empty() + s.mirror[a];
        calls[kRead[a]] += changes + 1;
        if (changes + s.depth[a] > 0)
            calls[kWrite[a]] += changes + s.depth[a];
    }
    return calls;
}

// Calls of the CAD application for one point: each add fetches model space anew.
const Calls kCircle = {{"ModelSpace", 1}, {"AddCircle", 1}, {"Update", 1}};
const Calls kSphere = {{"ModelSpace", 1}, {"AddSphere", 1}, {"AddHyperlink", 1}, {"Update", 1}};
// Outer sphere red, inner sphere checked, probe sphere coloured and updated.
const Calls kToleranceMiss = {
    {"ModelSpace", 3}, {"AddSphere", 3}, {"CheckInterference", 2}, {"SetColor", 2}, {"Update", 1}};
// Outer sphere green, its interference solid measured and deleted, probe sphere.
const Calls kToleranceTouch = {{"ModelSpace", 2}, {"AddSphere", 2}, {"CheckInterference", 1},
                               {"Volume", 1},     {"SetColor", 2},  {"Delete", 1},
                               {"Update", 1}};

Calls CallsOf(int points, const Settings& s, const std::array<double, 3>& point)
{
    sim::SimPartProgram program;
    sim::SimCommand feature;
    feature.id = L"F1";
    feature.points.assign(static_cast<std::size_t>(points), point);
    program.commands = {feature};
    Cell cell(s, program);
    cell.form.onSeen = nullptr;
    cell.cad.onChange = nullptr;
    cell.Click();
    Calls calls;
    for (const auto& op : cell.log.Calls())
        ++calls[op];
    return calls;
}

TEST(CallCount, EachPointMakesTheLeastCallsInEveryMode)
{
    struct Mode {
        const char* name;
        ControlId option;
        std::array<double, 3> point; // mirrored in Y: (10, -20, 5) is 2 above the PART box
        const Calls& cad;
    };
    const Mode modes[] = {
        {"Circles", kCircles, {10, 20, 5}, kCircle},
        {"Spheres", kSpheres, {10, 20, 5}, kSphere},
        {"Sphere Tolerance, no overlap", kSphereTolerance, {30, 30, 30}, kToleranceMiss},
        {"Sphere Tolerance, overlap", kSphereTolerance, {10, 20, 5}, kToleranceTouch},
    };
    Settings plain;
    plain.mirror[1] = true;
    Settings typical = plain;
    typical.shift[0] = L"1.5";
    typical.spline = true;
    Settings every = typical;
    every.shift = {L"1", L"-1", L"0.5"};
    every.mirror = {true, true, true};
    every.depth = {true, false, false}; // (10, 20, 5) becomes (0, -19, -5.5), on the part's face

    for (const Mode& mode : modes) {
        for (Settings s : {plain, typical, every}) {
            s.features = {L"F1"};
            s.mode = mode.option;
            s.tolerance = L"0.25";
            Calls want = MeasuringCallsPerPoint(s);
            for (const auto& [op, n] : mode.cad)
                want[op] += n;

            const int n = 20;
            const Calls few = CallsOf(n, s, mode.point);
            Calls many = CallsOf(2 * n, s, mode.point);
            Calls perPoint;
            for (auto& [op, count] : many) {
                const int more = count - (few.count(op) ? few.at(op) : 0);
                if (more != 0) {
                    EXPECT_EQ(more % n, 0) << op;
                    perPoint[op] = more / n;
                }
            }
            EXPECT_EQ(perPoint, want) << mode.name << ", shift X " << Narrow(s.shift[0]) << ", Y "
                                      << Narrow(s.shift[1]);
        }
    }
}

} // namespace
} // namespace tessaly::test::sweep
