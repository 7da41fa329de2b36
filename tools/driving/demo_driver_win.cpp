// The demo's driver: starts the simulated cell and tessaly.exe, runs one of the demo's
// requests through Tessaly's window as a person would, and prints what the window and
// the cell show; then "screenshot", and once a line arrives on standard input it closes
// both.
//
//   tessaly-demo-driver typical     select F3, tick mirror Y and "Create Spline", choose
//                                   "Spheres", press "Send To Acad"
//   tessaly-demo-driver tolerance   "Sphere Tolerance" over F2 and F3 mirrored in Y:
//                                   points clear of the part (red spheres) and one
//                                   touching it (green; its 1000 "h=0" boxes answered)
//
// Exit code 0 when the drawing is the one the request must leave, 1 otherwise. The
// programs are the ones built beside it; TESSALY_EXE and TESSALY_CELL_EXE name others (of
// the other bitness, say).
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "base/convert.h"
#include "driving/simulated_cell_win.h"
#include "driving/typical_request_win.h"
#include "driving/wine_windows_win.h"

namespace tessaly::driving {
namespace {

using Lines = std::vector<std::string>;

// The tolerance request's drawing; #9 is the interference solid, made and deleted again.
const Lines kToleranceDrawing{
    "box #1 colour 0",
    "sphere #2 centre (5, -5, 1) radius 2.75 colour 1",
    "sphere #3 centre (5, -5, 1) radius 2.25 colour 0",
    "sphere #4 centre (5, -5, 1) radius 2.5 colour 1",
    "sphere #5 centre (15, -5, 1) radius 2.75 colour 1",
    "sphere #6 centre (15, -5, 1) radius 2.25 colour 0",
    "sphere #7 centre (15, -5, 1) radius 2.5 colour 1",
    "sphere #8 centre (10, -20, 5) radius 2.75 colour 3",
    "sphere #10 centre (10, -20, 5) radius 2.5 colour 3",
    "sphere #11 centre (12, -21, 6) radius 2.75 colour 1",
    "sphere #12 centre (12, -21, 6) radius 2.25 colour 0",
    "sphere #13 centre (12, -21, 6) radius 2.5 colour 1",
};

void PrintLines(const char* heading, const Lines& lines)
{
    std::cout << heading << ":\n";
    for (const std::string& line : lines)
        std::cout << "  " << line << "\n";
}

// Runs `request` ("typical" or "tolerance") and returns the drawing it must leave.
Lines Run(const std::wstring& request, SimulatedCell& cell, TessalyApp& app)
{
    if (request == L"typical") {
        TypicalSettings(app);
        std::cout << "message boxes answered: " << app.SendToAcad().size() << "\npoint list:\n";
        for (const std::wstring& entry : app.Items(kPointList))
            std::cout << "  " << Narrow(entry) << "\n";
        return kTypicalDrawing;
    }
    app.Click(kSphereTolerance);
    app.Type(kTolerance, L"0.25");
    // Mirrored, F2's points lie clear of the part; F3's first touches it (1000 "h=0"
    // boxes, answered), its second lies just clear.
    app.SelectFeatures({L"F2", L"F3"});
    app.SetChecked(kMirror[1], true);
    std::cout << "message boxes answered: " << app.SendToAcad().size() << "\n";
    std::cout << "colours at (10, -20, 5): " << cell.Colours(10, -20, 5)
              << "\ncolours at (12, -21, 6): " << cell.Colours(12, -21, 6) << "\n";
    return kToleranceDrawing;
}

int Main(const std::wstring& request)
{
    StartDesktop();
    SimulatedCell cell;
    TessalyApp app;
    const Lines expected = Run(request, cell, app);
    std::cout << "status line: " << Narrow(app.Text(kStatusLine)) << "\n";
    const Lines drawn = cell.Drawing();
    PrintLines("drawing", drawn);
    std::cout << "screenshot" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    app.Close();
    cell.Quit();
    if (drawn == expected)
        return 0;
    std::cout.flush();
    std::cerr << "unexpected drawing; expected:\n";
    for (const std::string& entity : expected)
        std::cerr << "  " << entity << "\n";
    return 1;
}

} // namespace
} // namespace tessaly::driving

int wmain(int argc, wchar_t** argv)
{
    const std::wstring request = argc == 2 ? argv[1] : L"";
    if (request != L"typical" && request != L"tolerance") {
        std::fprintf(stderr, "usage: tessaly-demo-driver typical | tolerance\n");
        return 2;
    }
    try {
        return tessaly::driving::Main(request);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessaly-demo-driver: %s\n", e.what());
        return 1;
    }
}
