// The whole "Send To Acad" against the simulated cell, per plot mode and point count,
// and the number text and entry code on their own.
//
// The simulations' share is measured apart: the calls that one action made, replayed
// straight into the same simulations (same objects, same order, a fresh drawing each
// time), cost what the simulations cost; the rest of the action's time is the
// program's own work, with the in-memory form standing in for the window.
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "base/error.h"
#include "action/send_to_acad.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"
#include "sim/cad_simulation.h"
#include "sim/call_log.h"
#include "sim/dmis_simulation.h"
#include "sim/memory_form.h"

namespace tessaly::test {
namespace {

struct Cell {
    explicit Cell(int points, ControlId mode) : dmis(log), cad(log)
    {
        sim::SimPartProgram program;
        sim::SimCommand feature;
        feature.id = L"F12";
        for (int i = 0; i < points; ++i)
            feature.points.push_back({10.5 + i, -3.25 * i, 0.125 * i});
        program.commands.push_back(feature);
        dmis.program = program;
        cad.groups[L"PART"] = {cad.AddBox({-1e6, -1e6, -1e6}, {-1e6 + 1, -1e6 + 1, -1e6 + 1})};
        form.ListAppend(kFeatureList, L"F12");
        form.SelectFeatures({L"F12"});
        form.SetText(kProbeDiameter, L"5.000000");
        form.SetText(kTolerance, L"0.5");
        form.SetText(kShift[0], L"1.5");
        form.SetCheck(kMirror[1], kChecked);
        form.SetCheck(kCreateSpline, kChecked);
        form.SelectOption(mode);
    }
    // The drawing as it was before the action: the part only.
    void Reset()
    {
        cad.entities.resize(1);
        log.Clear();
        form.label2History.clear();
    }
    sim::CallLog log;
    sim::DmisSim dmis;
    sim::CadSim cad;
    sim::MemoryForm form;
    WindowState state;
};

// Replays a recorded call sequence into the simulations, each call on the object that
// the action would make it on. Decoded before timing, so replaying costs a switch per
// call beyond the simulations' own work.
class Replay {
public:
    Replay(Cell& cell, const std::vector<std::string>& calls) : cell_(cell)
    {
        for (const auto& name : calls) {
            int op = 0;
            while (op < kOps && name != kNames[op])
                ++op;
            if (op == kOps)
                throw Error("no replay for " + name);
            ops_.push_back(static_cast<Op>(op));
        }
        for (const auto& e : cell.cad.entities)
            if (e.kind == sim::EntityKind::Spline)
                fitPoints_ = e.fitPoints; // what the action passed
    }

    void Run()
    {
        int j = 0;
        for (Op op : ops_) {
            try {
                Call(op, j);
            } catch (const Error&) {
                // refused as in the action (the spline of too many points)
            }
        }
    }

private:
    enum Op {
        CreateApplication,
        MachineAt,
        MachineName,
        CurrentProgram,
        Commands,
        CommandByID,
        DefaultValue,
        FeatureData,
        PointCount,
        GetPoint,
        X,
        Y,
        Z,
        SetX,
        SetY,
        SetZ,
        GetRunningApplication,
        Visible,
        ActiveDocument,
        Groups,
        GroupsItem,
        GroupItem,
        ModelSpace,
        AddSphere,
        AddCircle,
        AddSpline,
        AddHyperlink,
        Update,
        SetColor,
        CheckInterference,
        Volume,
        Delete,
        kOps
    };
    static constexpr const char* kNames[kOps] = {"CreateApplication",
                                                 "MachineAt",
                                                 "MachineName",
                                                 "CurrentProgram",
                                                 "Commands",
                                                 "CommandByID",
                                                 "DefaultValue",
                                                 "FeatureData",
                                                 "PointCount",
                                                 "GetPoint",
                                                 "X",
                                                 "Y",
                                                 "Z",
                                                 "X=",
                                                 "Y=",
                                                 "Z=",
                                                 "GetRunningApplication",
                                                 "Visible",
                                                 "ActiveDocument",
                                                 "Groups",
                                                 "Groups.Item",
                                                 "Group.Item",
                                                 "ModelSpace",
                                                 "AddSphere",
                                                 "AddCircle",
                                                 "AddSpline",
                                                 "AddHyperlink",
                                                 "Update",
                                                 "SetColor",
                                                 "CheckInterference",
                                                 "Volume",
                                                 "Delete"};

    void Call(Op op, int& j)
    {
        switch (op) {
        case CreateApplication: app_ = cell_.dmis.CreateApplication(); break;
        case MachineAt: machine_ = app_->MachineAt(1); break;
        case MachineName: benchmark::DoNotOptimize(machine_->MachineName()); break;
        case CurrentProgram: program_ = app_->CurrentProgram(); break;
        case Commands: commands_ = program_->Commands(); break;
        case CommandByID: command_ = commands_->CommandByID(L"F12"); break;
        case DefaultValue: benchmark::DoNotOptimize(command_->DefaultValue()); break;
        case FeatureData: featureData_ = command_->FeatureData(); break;
        case PointCount: benchmark::DoNotOptimize(featureData_->PointCount()); break;
        case GetPoint: point_ = featureData_->GetPoint(++j, 12, 3, 13, L"", 0); break;
        case X:
        case Y:
        case Z: xyz_[op - X] = point_->Get(op - X); break;
        case SetX:
        case SetY:
        case SetZ: point_->Set(op - SetX, xyz_[op - SetX]); break;
        case GetRunningApplication: acad_ = cell_.cad.GetRunningApplication(); break;
        case Visible: acad_->SetVisible(true); break;
        case ActiveDocument: document_ = acad_->ActiveDocument(); break;
        case Groups: groups_ = document_->Groups(); break;
        case GroupsItem: group_ = groups_->Item(L"PART"); break;
        case GroupItem: part_ = group_->Item(0); break;
        case ModelSpace: modelSpace_ = document_->ModelSpace(); break;
        case AddSphere: added_ = modelSpace_->AddSphere(xyz_, 2.5); break;
        case AddCircle: added_ = modelSpace_->AddCircle(xyz_, 2.5); break;
        case AddSpline: added_ = modelSpace_->AddSpline(fitPoints_, xyz_, xyz_); break;
        case AddHyperlink: added_->AddHyperlink(L"F12"); break;
        case Update: added_->Update(); break;
        case SetColor: added_->SetColor(cad::kRed); break;
        case CheckInterference: interference_ = part_->CheckInterference(*added_, true); break;
        case Volume: benchmark::DoNotOptimize(interference_->Volume()); break;
        case Delete: interference_->Delete(); break;
        case kOps: break;
        }
    }

    Cell& cell_;
    std::vector<Op> ops_;
    std::vector<double> fitPoints_;
    cad::Point3 xyz_{};
    std::unique_ptr<dmis::IApplication> app_;
    std::unique_ptr<dmis::IMachine> machine_;
    std::unique_ptr<dmis::IPartProgram> program_;
    std::unique_ptr<dmis::ICommands> commands_;
    std::unique_ptr<dmis::ICommand> command_;
    std::unique_ptr<dmis::IFeatureData> featureData_;
    std::unique_ptr<dmis::IPoint> point_;
    std::unique_ptr<cad::IApplication> acad_;
    std::unique_ptr<cad::IDocument> document_;
    std::unique_ptr<cad::IGroups> groups_;
    std::unique_ptr<cad::IGroup> group_;
    std::unique_ptr<cad::IEntity> part_;
    std::unique_ptr<cad::IModelSpace> modelSpace_;
    std::unique_ptr<cad::IEntity> added_;
    std::unique_ptr<cad::IEntity> interference_;
};

// Per point, in nanoseconds, of the last run of each benchmark: for the summary.
struct PerPoint {
    double calls, all, simulations, own;
};
std::map<std::string, std::map<int, PerPoint>>& Summary()
{
    static std::map<std::string, std::map<int, PerPoint>> summary;
    return summary;
}

using Clock = std::chrono::steady_clock;

void SendToAcadBench(benchmark::State& bench, const char* name, ControlId mode)
{
    const int points = static_cast<int>(bench.range(0));
    Cell cell(points, mode);
    SendToAcad(cell.form, cell.state, cell.dmis, cell.cad, L'.');
    const std::vector<std::string> calls = cell.log.Calls();
    Replay replay(cell, calls);
    cell.Reset();
    replay.Run();
    if (cell.log.Calls() != calls) {
        bench.SkipWithError("the replay does not make the action's calls");
        return;
    }

    double action = 0, simulations = 0;
    for (auto _ : bench) {
        cell.Reset();
        const auto start = Clock::now();
        SendToAcad(cell.form, cell.state, cell.dmis, cell.cad, L'.');
        const auto middle = Clock::now();
        cell.Reset();
        const auto replayed = Clock::now();
        replay.Run();
        const auto end = Clock::now();
        const double seconds = std::chrono::duration<double>(middle - start).count();
        bench.SetIterationTime(seconds);
        action += seconds;
        simulations += std::chrono::duration<double>(end - replayed).count();
    }
    const double perPoint = 1e9 / (static_cast<double>(bench.iterations()) * points);
    const PerPoint row{static_cast<double>(calls.size()) / points, action * perPoint, simulations * perPoint,
                       (action - simulations) * perPoint};
    bench.counters["calls/pt"] = row.calls;
    bench.counters["ns/pt"] = row.all;
    bench.counters["sim ns/pt"] = row.simulations;
    bench.counters["own ns/pt"] = row.own;
    Summary()[name][points] = row;
}

void Circles(benchmark::State& bench)
{
    SendToAcadBench(bench, "Circles", kCircles);
}
void Spheres(benchmark::State& bench)
{
    SendToAcadBench(bench, "Spheres", kSpheres);
}
void Tolerance(benchmark::State& bench)
{
    SendToAcadBench(bench, "Sphere Tolerance", kSphereTolerance);
}
#define TESSALY_POINTS                                                                                                 \
    Arg(1)->Arg(100)->Arg(1000)->Arg(10000)->Arg(32767)->UseManualTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(Circles)->TESSALY_POINTS;
BENCHMARK(Spheres)->TESSALY_POINTS;
BENCHMARK(Tolerance)->TESSALY_POINTS;

void FormatEntryBench(benchmark::State& bench)
{
    double x = 10.5;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(FormatEntry(L"F12", x, -3.25, 1e-5, L'.'));
        x += 0.125;
    }
}
BENCHMARK(FormatEntryBench);

void ParseEntryBench(benchmark::State& bench)
{
    const std::wstring entry = L"F12,X=10.5 Y=-3.25 Z=1E-05";
    for (auto _ : bench)
        benchmark::DoNotOptimize(ParseEntry(entry, L'.'));
}
BENCHMARK(ParseEntryBench);

void NumberTextBench(benchmark::State& bench)
{
    double x = 1234.5678;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(FormatNumber(x, L'.'));
        x *= 1.0000001;
    }
}
BENCHMARK(NumberTextBench);

void PrintSummary()
{
    if (Summary().empty())
        return;
    std::printf("\nPer point (ns): the whole action, the simulations' share, the program's own work\n");
    std::printf("%-18s %7s %9s %9s %9s %9s\n", "mode", "points", "calls", "action", "sims", "own");
    for (const auto& [mode, rows] : Summary())
        for (const auto& [points, r] : rows)
            std::printf("%-18s %7d %9.1f %9.0f %9.0f %9.0f\n", mode.c_str(), points, r.calls, r.all, r.simulations,
                        r.own);
}

} // namespace
} // namespace tessaly::test

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tessaly::test::PrintSummary();
    return 0;
}
