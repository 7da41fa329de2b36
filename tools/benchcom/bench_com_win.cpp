// Where the user waits: tessaly.exe in a process of its own, driven through its window
// against the simulated cell over real COM, beside the floor of the calls it makes.
//
//   tessaly-bench-com bench [N...]
//                                 the figures: "Send To Acad" per plot mode at 100 and
//                                 1000 points (or N...), start-up beside a bare window,
//                                 "Close"
//   tessaly-bench-com load-link   (a child of bench) the calls of the load link, on a form
//                                 in memory, then exit
//   tessaly-bench-com nothing     (a child of bench) starts and exits
//
// The programs are the ones built beside this one; the environment variables TESSALY_EXE
// and TESSALY_CELL_EXE name others (of the other bitness, say).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/convert.h"
#include "bench_clock_win.h"
#include "driving/simulated_cell_win.h"
#include "driving/child_process_win.h"
#include "driving/tessaly_app_win.h"
#include "driving/wine_windows_win.h"
#include "action/link_at_load.h"
#include "dmis/com_binding.h"
#include "probe_win.h"
#include "sim/memory_form.h"

namespace tessaly::benchcom {
namespace {

using driving::SimulatedCell;
using driving::TessalyApp;

constexpr int kProbeCalls = 1000;
constexpr int kRepeats = 3;
constexpr DWORD kActionTimeoutMs = 600000;

using Counts = SimulatedCell::RoundTripCounts;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Mode {
    const char* name;
    ControlId option;
    bool spline;
};

const Mode kModes[] = {
    {"Spheres", kSpheres, false},
    {"Circles", kCircles, false},
    {"Sphere Tolerance (clear of the part)", kSphereTolerance, false},
    {"Create Spline (with Circles)", kCircles, true},
};

// The round trips at what each of their kinds costs the probe.
double FloorByKind(const Counts& c, const KindCosts& k)
{
    return c.names * k.name + c.invokes * k.invoke + c.releases * k.object + c.queries * k.query;
}

struct ActionFigures {
    double wall = 0; // seconds, the whole action
    KindCosts kinds; // each kind's cost just before it; kinds.invoke is one empty round trip
    Counts counts;
    double Floor() const { return counts.total * kinds.invoke; }
    double Ratio() const { return wall / Floor(); }
    double KindFloor() const { return FloorByKind(counts, kinds); }
};

// "Send To Acad" by a click sent from here: SendMessage returns when the handler has.
ActionFigures TimeAction(SimulatedCell& cell, TessalyApp& app, Probe& probe)
{
    ActionFigures f;
    f.kinds = probe.Kinds(kProbeCalls / 4);
    const Counts before = cell.RoundTrips();
    const Stopwatch watch;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(app.Control(ControlId::Command2), BM_CLICK, 0, 0, SMTO_NORMAL, kActionTimeoutMs, &ignored))
        throw Error("\"Send To Acad\" did not end");
    f.wall = watch.Seconds();
    f.counts = cell.RoundTrips() - before;
    return f;
}

std::string Micro(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f µs", seconds * 1e6);
    return text;
}

std::string Milli(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ms", seconds * 1e3);
    return text;
}

std::string Fixed(double value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

// The bare window, started and shown as tessaly.exe is in TessalyApp.
double BareWindowStart()
{
    const Stopwatch watch;
    driving::ChildProcess bare(driving::ProgramPath("TESSALY_BARE_EXE", TESSALY_BARE_EXE), L"",
                               driving::ChildProcess::Pipes::None);
    WaitForInputIdle(bare.Handle(), 20000);
    HWND window = nullptr;
    driving::WaitUntil(
        [&] {
            window = FindWindowW(L"TessalyBareWindow", nullptr);
            return window && IsWindowVisible(window);
        },
        "the bare window");
    const double seconds = watch.Seconds();
    PostMessageW(window, WM_CLOSE, 0, 0);
    bare.WaitForExit();
    return seconds;
}

struct StartFigures {
    double bare = 0;
    double tessaly = 0;
    double close = 0;
    Counts load;
    KindCosts kinds; // just before the start
    double Floor() const { return load.total * kinds.invoke; }
    double KindFloor() const { return FloorByKind(load, kinds); }
};

void PrintKinds(const KindCosts& k)
{
    std::cerr << "   each kind: name lookup " << Micro(k.name) << ", empty call " << Micro(k.invoke)
              << ", a new object and its release " << Micro(k.object) << " more, a typed query of it " << Micro(k.query)
              << " more" << std::endl;
}

void PrintActions(int points, const Mode& mode, const ActionFigures& f)
{
    std::cout << "| " << mode.name << " | " << points << " | " << Micro(f.wall / points) << " | "
              << Fixed(static_cast<double>(f.counts.total) / points, 2) << " | " << Micro(f.kinds.invoke) << " | "
              << Micro(f.Floor() / points) << " | " << Fixed(f.Ratio(), 2) << " | " << Micro(f.KindFloor() / points)
              << " | " << Fixed(f.wall / f.KindFloor(), 2) << " |" << std::endl;
    std::cerr << "   " << mode.name << ", " << points << " points: round trips " << f.counts.total << " (names "
              << f.counts.names << ", invokes " << f.counts.invokes << ", queries " << f.counts.queries << ", releases "
              << f.counts.releases << "), wall " << Milli(f.wall) << std::endl;
    PrintKinds(f.kinds);
}

// This program started again with `command`, from start to exit.
double ChildRun(const wchar_t* command)
{
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const Stopwatch watch;
    driving::ChildProcess child(self, command, driving::ChildProcess::Pipes::None);
    child.WaitForExit();
    return watch.Seconds();
}

// What the load link costs a client process of its own, with no window: a process that
// makes the same calls (the program's own link, on a form in memory), less one that
// starts and ends doing nothing.
double BareLoadLink()
{
    std::vector<double> link, nothing;
    for (int r = 0; r < kRepeats; ++r) {
        nothing.push_back(ChildRun(L"nothing"));
        link.push_back(ChildRun(L"load-link"));
    }
    return Median(link) - Median(nothing);
}

// The calls of the load link, from this process.
int LoadLink()
{
    const auto connector = dmis::MakeComConnector();
    sim::MemoryForm form;
    WindowState state;
    LinkAtLoad(form, state, *connector, L'.');
    return form.ListCount(kFeatureList) > 0 ? 0 : 1;
}

// Start to shown with no measuring application: the window's own part of start-up.
double StartWithoutLink()
{
    SimulatedCell cell(L"--no-dmis");
    std::vector<double> times;
    for (int r = 0; r < kRepeats; ++r) {
        const Stopwatch watch;
        TessalyApp app;
        times.push_back(watch.Seconds());
        app.Close();
    }
    cell.Quit();
    return Median(times);
}

int Bench(const std::vector<int>& pointCounts)
{
    const double withoutLink = StartWithoutLink();
    std::cout
        << "| mode | points | wall per point | round trips per point | one round trip | floor per point | "
           "wall / floor | floor by kind per point | wall / floor by kind |\n|---|---|---|---|---|---|---|---|---|"
        << std::endl;
    std::vector<StartFigures> starts;
    std::vector<double> bareLinks;
    for (const int points : pointCounts) {
        SimulatedCell cell(L"--points " + std::to_wstring(points));
        Probe probe;
        bareLinks.push_back(BareLoadLink());
        std::unique_ptr<TessalyApp> app;
        // Start-up and "Close", each beside a bare window, a few times.
        for (int r = 0; r < kRepeats; ++r) {
            StartFigures s;
            s.bare = BareWindowStart();
            s.kinds = probe.Kinds(kProbeCalls / 4);
            const Counts before = cell.RoundTrips();
            const Stopwatch watch;
            app = std::make_unique<TessalyApp>();
            s.tessaly = watch.Seconds();
            s.load = cell.RoundTrips() - before;
            if (r + 1 < kRepeats) {
                const Stopwatch closing;
                app->Close();
                s.close = closing.Seconds();
                app.reset();
            }
            starts.push_back(s);
        }
        app->SelectFeatures({L"F10"});
        app->Type(kTolerance, L"0.25");
        for (const Mode& mode : kModes) {
            app->Click(mode.option);
            app->SetChecked(kCreateSpline, mode.spline);
            std::vector<ActionFigures> runs;
            for (int r = 0; r < kRepeats; ++r)
                runs.push_back(TimeAction(cell, *app, probe));
            std::sort(runs.begin(), runs.end(),
                      [](const ActionFigures& a, const ActionFigures& b) { return a.Ratio() < b.Ratio(); });
            PrintActions(points, mode, runs[runs.size() / 2]);
            if (mode.option == kSpheres) {
                const Counts before = cell.RoundTrips();
                const double replay = probe.SpherePoints(points);
                const Counts trips = cell.RoundTrips() - before;
                std::cerr << "   the same calls made by the probe: " << Micro(replay) << " per point, "
                          << Fixed(static_cast<double>(trips.total) / points, 2) << " round trips per point"
                          << std::endl;
            }
        }
        app->Close();
    }

    std::vector<double> bare, tessaly, close, floor, kindFloor;
    long loadTrips = 0;
    for (const StartFigures& s : starts) {
        bare.push_back(s.bare);
        tessaly.push_back(s.tessaly);
        floor.push_back(s.Floor());
        kindFloor.push_back(s.KindFloor());
        loadTrips = s.load.total;
        if (s.close > 0)
            close.push_back(s.close);
    }
    const double loadFloor = Median(floor);
    std::cout << "\n| start-up and shutdown (median of " << starts.size() << ") | time |\n|---|---|\n"
              << "| bare window: start to shown | " << Milli(Median(bare)) << " |\n"
              << "| tessaly.exe: start to shown, List2 filled | " << Milli(Median(tessaly)) << " |\n"
              << "| the load link's " << loadTrips << " round trips at the floor | " << Micro(loadFloor) << " |\n"
              << "| tessaly.exe / (bare window + load link floor) | "
              << Fixed(Median(tessaly) / (Median(bare) + loadFloor), 2) << " |\n"
              << "| the load link's round trips at the floor by kind | " << Milli(Median(kindFloor)) << " |\n"
              << "| tessaly.exe / (bare window + load link floor by kind) | "
              << Fixed(Median(tessaly) / (Median(bare) + Median(kindFloor)), 2) << " |\n"
              << "| tessaly.exe with no measuring application: start to shown | " << Milli(withoutLink) << " |\n"
              << "| the load link's calls from a client process of their own, beyond its start | "
              << Milli(Median(bareLinks)) << " |\n"
              << "| tessaly.exe / (bare window + that client's load link) | "
              << Fixed(Median(tessaly) / (Median(bare) + Median(bareLinks)), 2) << " |\n"
              << "| tessaly.exe: \"Close\" to process exit | " << Milli(Median(close)) << " |" << std::endl;
    return 0;
}

} // namespace
} // namespace tessaly::benchcom

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    tessaly::com::Apartment apartment;
    try {
        // The bench's own children: no desktop of their own.
        if (command == L"load-link")
            return tessaly::benchcom::LoadLink();
        if (command == L"nothing")
            return 0;
        tessaly::driving::StartDesktop();
        if (command == L"bench") {
            std::vector<int> points;
            for (int i = 2; i < argc; ++i)
                points.push_back(std::stoi(argv[i]));
            return tessaly::benchcom::Bench(points.empty() ? std::vector<int>{100, 1000} : points);
        }
        std::fprintf(stderr, "usage: tessaly-bench-com bench [N...]\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessaly-bench-com: %s\n", e.what());
        return 1;
    }
}
