// Runs the typical request (driving/typical_request_win.h) through a Tessaly window that
// is already open, as a person would: select F3, tick mirror Y and "Create Spline",
// choose "Spheres", press "Send To Acad". Then prints the point list and the status
// line, and after "expected drawing:" the cell's drawing that the request must leave,
// for scripts/demo to compare.
//
//   tessaly-typical-request    exit code 0 once the action has run, 1 if no window answered
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/convert.h"
#include "base/error.h"
#include "driving/typical_request_win.h"
#include "layout/child_window_ids.h"

namespace {

using tessaly::ControlId;

constexpr DWORD kTimeoutMs = 60000;

HWND Control(HWND form, ControlId id)
{
    return GetDlgItem(form, tessaly::DialogId(id));
}

// Sends and waits, but never for ever: a hung window is an error, not a hang.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kTimeoutMs, &result))
        throw tessaly::Error("the window did not answer message " + std::to_string(message));
    return static_cast<LRESULT>(result);
}

std::wstring Text(HWND window)
{
    const auto length = Send(window, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring Entry(HWND list, WPARAM index)
{
    const auto length = Send(list, LB_GETTEXTLEN, index);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    Send(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void Run(HWND form)
{
    using namespace tessaly::driving;
    HWND features = Control(form, tessaly::kFeatureList);
    const auto index =
        Send(features, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(kTypicalFeature));
    if (index == LB_ERR)
        throw tessaly::Error(tessaly::Narrow(kTypicalFeature) + " is not in the feature list");
    Send(features, LB_SETSEL, TRUE, index);
    for (const ControlId tick : kTypicalTicks)
        Send(Control(form, tick), BM_CLICK);
    Send(Control(form, kTypicalPlotMode), BM_CLICK);
    Send(Control(form, ControlId::Command2), BM_CLICK); // "Send To Acad", returns when the action ends

    HWND points = Control(form, tessaly::kPointList);
    const auto count = Send(points, LB_GETCOUNT);
    std::printf("point list:\n");
    for (LRESULT i = 0; i < count; ++i)
        std::printf("  %s\n", tessaly::Narrow(Entry(points, static_cast<WPARAM>(i))).c_str());
    std::printf("status line: %s\n", tessaly::Narrow(Text(Control(form, tessaly::kStatusLine))).c_str());
    std::printf("expected drawing:\n");
    for (const std::string& entity : kTypicalDrawing)
        std::printf("  %s\n", entity.c_str());
}

} // namespace

int wmain()
{
    // The window is shown once its load handler has run.
    HWND form = nullptr;
    for (int i = 0; i < 600 && !(form && IsWindowVisible(form)); ++i) {
        form = FindWindowW(nullptr, L"Tessaly 3.5");
        Sleep(100);
    }
    if (!form || !IsWindowVisible(form)) {
        std::fprintf(stderr, "no window \"Tessaly 3.5\"\n");
        return 1;
    }
    try {
        Run(form);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
