// Automation calls per point, in each plot mode and with more or fewer transforms,
// against the least that the action must make: a point costs the same calls whatever
// the number of points, and no call beyond those.
#include <gtest/gtest.h>

#include "support/call_model.h"
#include "sweep/sweep_cell.h"

namespace tessaly::test::sweep {
namespace {

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
        bool touches;
    };
    const Mode modes[] = {
        {"Circles", kCircles, {10, 20, 5}, false},
        {"Spheres", kSpheres, {10, 20, 5}, false},
        {"Sphere Tolerance, no overlap", kSphereTolerance, {30, 30, 30}, false},
        {"Sphere Tolerance, overlap", kSphereTolerance, {10, 20, 5}, true},
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
            const Calls want = CallsPerPoint(s.Changes(), mode.option, mode.touches);

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
