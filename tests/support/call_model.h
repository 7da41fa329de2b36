#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "action/control_names.h"

// The automation calls "Send To Acad" must make, and no more, as the tests that count
// calls expect them: the link, the part program's commands, then per entry its lookup and
// per point its reads and changes; and per point, what each plot mode draws.
namespace tessaly::test {

// What one call serves.
enum class CallRole { Link, Program, Lookup, Machine, Default, Feature, Read, Change, Start, List };
// A point's changes, in the order they are made.
enum ChangePhase { kShiftPhase, kMirrorPhase, kDepthPhase };

struct ModelCall {
    std::string op;
    CallRole role;
    int entry = -1; // among the selected entries, from 0
    int point = 0;  // from 1
    int phase = 0;  // a change's, and of which axis
    int axis = 0;
};

// Which coordinates a point changes: a shift text given, a mirror or a depth change ticked.
struct PointChanges {
    std::array<bool, 3> shift{};
    std::array<bool, 3> mirror{};
    std::array<bool, 3> depth{};

    bool Applies(int phase, int axis) const
    {
        return phase == kShiftPhase ? shift[axis] : phase == kMirrorPhase ? mirror[axis] : depth[axis];
    }
};

// The link at the start of the action.
inline std::vector<ModelCall> LinkCalls()
{
    return {{"CreateApplication", CallRole::Link}, {"MachineAt", CallRole::Link}, {"MachineName", CallRole::Link}};
}

// Point j of an entry: its read, one read and one write per shift and mirror, point 1's
// start point, the depth writes and the three reads for its entry.
inline void AppendPointCalls(std::vector<ModelCall>& calls, const PointChanges& changes, int entry, int j)
{
    static const char* const kRead[3] = {"X", "Y", "Z"};
    static const char* const kWrite[3] = {"X=", "Y=", "Z="};
    calls.push_back({"GetPoint", CallRole::Read, entry, j});
    for (int phase : {kShiftPhase, kMirrorPhase}) {
        for (int a = 0; a < 3; ++a) {
            if (changes.Applies(phase, a)) {
                calls.push_back({kRead[a], CallRole::Change, entry, j, phase, a});
                calls.push_back({kWrite[a], CallRole::Change, entry, j, phase, a});
            }
        }
    }
    if (j == 1)
        for (int a = 0; a < 3; ++a)
            calls.push_back({kRead[a], CallRole::Start, entry, j});
    for (int a = 0; a < 3; ++a)
        if (changes.Applies(kDepthPhase, a))
            calls.push_back({kWrite[a], CallRole::Change, entry, j, kDepthPhase, a});
    for (int a = 0; a < 3; ++a)
        calls.push_back({kRead[a], CallRole::List, entry, j});
}

// Collection after the link: the commands collection, then per selected entry (of these
// numbers of points) its lookup and its points.
inline std::vector<ModelCall> CollectionCalls(const PointChanges& changes, const std::vector<int>& points)
{
    std::vector<ModelCall> calls = {{"CurrentProgram", CallRole::Program}, {"Commands", CallRole::Program}};
    for (int e = 0; e < static_cast<int>(points.size()); ++e) {
        calls.push_back({"CommandByID", CallRole::Lookup, e});
        calls.push_back({"MachineName", CallRole::Machine, e});
        calls.push_back({"DefaultValue", CallRole::Default, e});
        calls.push_back({"FeatureData", CallRole::Feature, e});
        calls.push_back({"PointCount", CallRole::Feature, e});
        for (int j = 1; j <= points[static_cast<std::size_t>(e)]; ++j)
            AppendPointCalls(calls, changes, e, j);
    }
    return calls;
}

inline std::vector<std::string> Operations(const std::vector<ModelCall>& calls)
{
    std::vector<std::string> ops;
    for (const ModelCall& c : calls)
        ops.push_back(c.op);
    return ops;
}

// Calls by operation.
using Calls = std::map<std::string, int>;

// A point after the first, from its read to its entry, in one plot mode: the measuring
// application's calls, then the CAD application's (each add fetches model space anew).
// With "Sphere Tolerance", whether its outer sphere touches the PART solid.
inline Calls CallsPerPoint(const PointChanges& changes, ControlId mode, bool touches = false)
{
    Calls calls;
    std::vector<ModelCall> measuring;
    AppendPointCalls(measuring, changes, 0, 2);
    for (const ModelCall& c : measuring)
        ++calls[c.op];
    const Calls circle = {{"ModelSpace", 1}, {"AddCircle", 1}, {"Update", 1}};
    const Calls sphere = {{"ModelSpace", 1}, {"AddSphere", 1}, {"AddHyperlink", 1}, {"Update", 1}};
    // Outer sphere red, inner sphere checked, probe sphere coloured and updated.
    const Calls toleranceMiss = {
        {"ModelSpace", 3}, {"AddSphere", 3}, {"CheckInterference", 2}, {"SetColor", 2}, {"Update", 1}};
    // Outer sphere green, its interference solid measured and deleted, probe sphere.
    const Calls toleranceTouch = {{"ModelSpace", 2}, {"AddSphere", 2}, {"CheckInterference", 1},
                                  {"Volume", 1},     {"SetColor", 2},  {"Delete", 1},
                                  {"Update", 1}};
    const Calls& cad = mode == kCircles ? circle : mode == kSpheres ? sphere : touches ? toleranceTouch : toleranceMiss;
    for (const auto& [op, n] : cad)
        calls[op] += n;
    return calls;
}

} // namespace tessaly::test
