// Tessaly's window beside a simulated cell, in one process: the measuring application
// with the demo part program and the CAD application with the demo drawing. Every
// entity the action adds or changes is printed as one line on standard output.
//
//   tessaly-sim                     the window, for a person to try
//   tessaly-sim --typical-request   selects F3, ticks mirror Y and "Create Spline",
//                                   chooses "Spheres", presses "Send To Acad", prints
//                                   the drawing and ends
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/convert.h"
#include "cad/simulation.h"
#include "dmis/simulation.h"
#include "pointlist/number_text.h"
#include "shell/dpi_win.h"
#include "shell/form1_win.h"

namespace {

using namespace tessaly;

const char* KindName(sim::EntityKind kind)
{
    switch (kind) {
    case sim::EntityKind::Sphere: return "sphere";
    case sim::EntityKind::Circle: return "circle";
    case sim::EntityKind::Spline: return "spline";
    case sim::EntityKind::Box: return "box";
    case sim::EntityKind::Interference: return "interference";
    }
    return "entity";
}

std::string Num(double value) { return Narrow(FormatNumber(value, L'.')); }

std::string Point(const cad::Point3& p) { return "(" + Num(p[0]) + ", " + Num(p[1]) + ", " + Num(p[2]) + ")"; }

std::string Describe(const sim::SimEntity& e)
{
    std::string line = std::string(KindName(e.kind)) + " #" + std::to_string(e.handle);
    if (e.kind == sim::EntityKind::Sphere || e.kind == sim::EntityKind::Circle)
        line += " centre " + Point(e.centre) + " radius " + Num(e.radius);
    if (e.kind == sim::EntityKind::Interference)
        line += " volume " + Num(e.volume);
    if (e.kind == sim::EntityKind::Spline) {
        line += " fit points";
        for (double v : e.fitPoints)
            line += " " + Num(v);
        line += " start tangent " + Point(e.startTangent) + " end tangent " + Point(e.endTangent);
    }
    line += " colour " + std::to_string(e.color);
    for (const auto& link : e.hyperlinks)
        line += " hyperlink " + Narrow(link);
    return line;
}

void Click(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }

void TypicalRequest(Form1& form)
{
    HWND list = form.Control(ControlId::List2);
    const LRESULT index = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(L"F3"));
    SendMessageW(list, LB_SETSEL, TRUE, index);
    Click(form.Control(ControlId::Check6));
    Click(form.Control(ControlId::Check4));
    Click(form.Control(ControlId::Option2));
    Click(form.Control(ControlId::Command2));
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand)
{
    EnableDpiAwareness();
    sim::CallLog log;
    sim::DmisSim dmis(log);
    dmis.machineName = L"DEMO CMM";
    dmis.program = sim::DemoPartProgram();
    sim::CadSim cad(log);
    sim::LoadDemoDrawing(cad);
    cad.onChange = [](const sim::SimEntity& e, const char* change) {
        std::printf("%s: %s\n", change, Describe(e).c_str());
        std::fflush(stdout);
    };

    Form1 form(dmis, cad);
    form.Show(showCommand);
    if (std::wstring(commandLine).find(L"--typical-request") != std::wstring::npos) {
        TypicalRequest(form);
        std::printf("drawing:\n");
        for (const auto& e : cad.Drawn())
            std::printf("  %s\n", Describe(e).c_str());
        wchar_t status[256] = {};
        GetWindowTextW(form.Control(ControlId::Label2), status, 256);
        std::printf("status line: %s\n", Narrow(status).c_str());
        std::fflush(stdout);
        if (std::wstring(commandLine).find(L"--stay") == std::wstring::npos)
            return 0;
    }
    return RunMessageLoop(form);
}
