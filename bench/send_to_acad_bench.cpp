// The whole "Send To Acad" against the simulated cell, per plot mode and point
// count, and the number text and entry code on their own.
#include <benchmark/benchmark.h>

#include "collect/send_to_acad.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"
#include "support/cell_fixture.h"

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
        form.ListAppend(ControlId::List2, L"F12");
        form.SelectFeatures({L"F12"});
        form.SetText(ControlId::Text1, L"5.000000");
        form.SetText(ControlId::Text3, L"0.5");
        form.SetText(ControlId::Text6, L"1.5");
        form.SetCheck(ControlId::Check6, kChecked);
        form.SetCheck(ControlId::Check4, kChecked);
        form.SelectOption(mode);
    }
    sim::CallLog log;
    sim::DmisSim dmis;
    sim::CadSim cad;
    MemoryForm form;
    WindowState state;
};

void SendToAcadBench(benchmark::State& bench, ControlId mode)
{
    const int points = static_cast<int>(bench.range(0));
    Cell cell(points, mode);
    for (auto _ : bench) {
        SendToAcad(cell.form, cell.state, cell.dmis, cell.cad, L'.');
        bench.PauseTiming();
        cell.cad.entities.resize(1); // keep the part only
        cell.log.Clear();
        bench.ResumeTiming();
    }
    bench.SetItemsProcessed(bench.iterations() * points);
    benchmark::DoNotOptimize(cell.form.Items(ControlId::List1).size());
}

void Circles(benchmark::State& bench) { SendToAcadBench(bench, ControlId::Option1); }
void Spheres(benchmark::State& bench) { SendToAcadBench(bench, ControlId::Option2); }
void Tolerance(benchmark::State& bench) { SendToAcadBench(bench, ControlId::Option5); }
BENCHMARK(Circles)->Arg(1)->Arg(100)->Arg(10000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(Spheres)->Arg(1)->Arg(100)->Arg(10000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(Tolerance)->Arg(1)->Arg(100)->Arg(10000)->Arg(32767)->Unit(benchmark::kMicrosecond);

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

} // namespace
} // namespace tessaly::test
