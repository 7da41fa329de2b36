#include "driving/tessaly_app_win.h"

#include <algorithm>

#include "base/convert.h"
#include "base/error.h"
#include "layout/child_window_ids.h"
#include "layout/layout.h"

namespace tessaly::driving {

namespace {

// A message box's text is the static with this id; its one button is IDOK.
constexpr int kMessageTextId = 0xFFFF;
// SendMessageTimeout: long enough for any step of the action, short of the test's timeout.
constexpr UINT kAnswerTimeoutMs = 10000;
// The marker: a hidden text box that nothing of the program reads.
constexpr ControlId kMarkerBox = ControlId::Text4;
constexpr unsigned kMarkerBase = 1000;

std::wstring TessalyPath()
{
    return ProgramPath("TESSALY_EXE", TESSALY_EXE);
}

std::string Name(ControlId id)
{
    return layout::RowOf(id).name;
}

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className; // or null
    const wchar_t* caption;   // or null
    HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<TopLevelSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search.processId)
        return TRUE;
    if (search.className && ClassNameOf(window) != search.className)
        return TRUE;
    if (search.caption) {
        wchar_t caption[64] = {};
        GetWindowTextW(window, caption, 64);
        if (std::wstring(caption) != search.caption)
            return TRUE;
    }
    search.found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className, const wchar_t* caption)
{
    TopLevelSearch search{processId, className, caption};
    EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TessalyApp::TessalyApp() : process_(TessalyPath(), L"", ChildProcess::Pipes::None)
{
    WaitForInputIdle(process_.Handle(), static_cast<DWORD>(kWaitTimeout.count()));
    // The load handler runs before the window is first shown.
    WaitUntil(
        [&] {
            ExpectRunning();
            window_ = FindTopLevel(process_.Id(), nullptr, layout::kCaption);
            return window_ && IsWindowVisible(window_);
        },
        "the window \"Tessaly 3.5\" of tessaly.exe");
    Settle();
}

HWND TessalyApp::Control(ControlId id) const
{
    const HWND control = GetDlgItem(window_, DialogId(id));
    if (!control)
        throw Error("tessaly.exe's window has no control " + Name(id) + " (id " + std::to_string(DialogId(id)) + ")");
    return control;
}

LRESULT TessalyApp::Send(HWND to, UINT message, WPARAM wParam, LPARAM lParam) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(to, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &result)) {
        const DWORD error = GetLastError();
        throw Error("tessaly.exe did not answer message 0x" + std::to_string(message) + " within " +
                    std::to_string(kAnswerTimeoutMs) + " ms (error " + std::to_string(error) +
                    (process_.Running() ? ")" : ", the process has ended)"));
    }
    return static_cast<LRESULT>(result);
}

void TessalyApp::ExpectRunning() const
{
    if (!process_.Running())
        throw Error("tessaly.exe has ended, exit code " + std::to_string(process_.ExitCode()));
}

void TessalyApp::PostMarker()
{
    ++marker_;
    if (!PostMessageW(Control(kMarkerBox), EM_SETLIMITTEXT, kMarkerBase + marker_, 0))
        throw Error("posting to tessaly.exe failed");
}

bool TessalyApp::MarkerTaken() const
{
    ExpectRunning();
    return Send(Control(kMarkerBox), EM_GETLIMITTEXT, 0, 0) == static_cast<LRESULT>(kMarkerBase + marker_);
}

// A posted message is taken only by a loop that reads input (the program's own, or that
// of a message box), never by the modal loop that waits for a COM call, which handles
// sent and paint messages only. So once a marker posted behind a click has been taken
// and no message box is open, the program is idle again.
void TessalyApp::Settle()
{
    PostMarker();
    WaitUntil([&] { return MarkerTaken(); }, "tessaly.exe to handle what was posted to it");
    if (const HWND box = OpenMessageBox())
        throw Error("unexpected message box from tessaly.exe: \"" + Narrow(Answer(box).text) + "\"");
}

HWND TessalyApp::OpenMessageBox() const
{
    const HWND box = FindTopLevel(process_.Id(), L"#32770", nullptr);
    // Seen once its text and its button exist.
    if (box && GetDlgItem(box, kMessageTextId) && GetDlgItem(box, IDOK))
        return box;
    return nullptr;
}

MessageBoxSeen TessalyApp::Answer(HWND box)
{
    MessageBoxSeen seen;
    wchar_t text[512] = {};
    Send(box, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    seen.caption = text;
    std::fill(std::begin(text), std::end(text), L'\0');
    Send(GetDlgItem(box, kMessageTextId), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    seen.text = text;
    // OK, clicked: posted, so that this thread never waits on the box's own loop.
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); }, "the message box \"" + Narrow(seen.text) + "\" to close after OK");
    return seen;
}

void TessalyApp::Click(ControlId id)
{
    if (!PostMessageW(Control(id), BM_CLICK, 0, 0))
        throw Error("posting a click on " + Name(id) + " failed");
    Settle();
}

bool TessalyApp::Checked(ControlId id) const
{
    return Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TessalyApp::SetChecked(ControlId checkBox, bool checked)
{
    if (Checked(checkBox) != checked)
        Click(checkBox);
    if (Checked(checkBox) != checked)
        throw Error("a click on " + Name(checkBox) + " did not change it");
}

void TessalyApp::Type(ControlId textBox, const std::wstring& text)
{
    Send(Control(textBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (Text(textBox) != text)
        throw Error("typing into " + Name(textBox) + " did not take");
}

void TessalyApp::SelectFeatures(std::initializer_list<const wchar_t*> features)
{
    // No notification is needed: the window reads the selection when the action runs.
    const HWND list = Control(kFeatureList);
    Send(list, LB_SETSEL, FALSE, -1);
    const std::vector<std::wstring> items = Items(kFeatureList);
    for (const wchar_t* feature : features) {
        const auto found = std::find(items.begin(), items.end(), feature);
        if (found == items.end())
            throw Error("List2 has no entry " + Narrow(feature));
        const auto index = static_cast<LPARAM>(found - items.begin());
        Send(list, LB_SETSEL, TRUE, index);
        if (Send(list, LB_GETSEL, static_cast<WPARAM>(index), 0) <= 0)
            throw Error("List2 did not select " + Narrow(feature));
    }
}

std::wstring TessalyApp::Text(ControlId id) const
{
    const HWND control = Control(id);
    const auto length = static_cast<std::size_t>(Send(control, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied =
        static_cast<std::size_t>(Send(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

std::vector<std::wstring> TessalyApp::Items(ControlId list) const
{
    const HWND control = Control(list);
    const LRESULT count = Send(control, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        throw Error("LB_GETCOUNT of " + Name(list) + " failed");
    std::vector<std::wstring> items;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(control, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == LB_ERR)
            throw Error("LB_GETTEXTLEN of " + Name(list) + " failed at " + std::to_string(i));
        std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = Send(control, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        if (copied == LB_ERR)
            throw Error("LB_GETTEXT of " + Name(list) + " failed at " + std::to_string(i));
        item.resize(static_cast<std::size_t>(copied));
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<MessageBoxSeen> TessalyApp::SendToAcad(Milliseconds timeout)
{
    StartSendToAcad();
    return FinishSendToAcad(timeout);
}

void TessalyApp::StartSendToAcad()
{
    if (!PostMessageW(Control(ControlId::Command2), BM_CLICK, 0, 0))
        throw Error("posting a click on Command2 failed");
}

Milliseconds TessalyApp::Timed(HWND to, UINT message) const
{
    const auto start = Clock::now();
    Send(to, message, 0, 0);
    return std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
}

Milliseconds TessalyApp::SendDuringAction(ControlId control, UINT message)
{
    return Timed(Control(control), message);
}

Milliseconds TessalyApp::SendDuringAction(UINT message)
{
    return Timed(window_, message);
}

void TessalyApp::ClickDuringAction(ControlId button)
{
    if (!SendNotifyMessageW(Control(button), BM_CLICK, 0, 0))
        throw Error("sending a click on " + Name(button) + " failed");
}

void TessalyApp::PostDuringAction(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!PostMessageW(window_, message, wParam, lParam))
        throw Error("posting message " + std::to_string(message) + " to tessaly.exe failed");
}

void TessalyApp::PostDuringAction(ControlId control, UINT message)
{
    if (!PostMessageW(Control(control), message, 0, 0))
        throw Error("posting message " + std::to_string(message) + " to " + Name(control) + " failed");
}

HWND TessalyApp::Focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info))
        throw Error("GetGUIThreadInfo of tessaly.exe's thread failed");
    return info.hwndFocus;
}

void TessalyApp::PostQuit(WPARAM exitCode)
{
    if (!PostThreadMessageW(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, exitCode, 0))
        throw Error("posting WM_QUIT to tessaly.exe failed");
}

std::vector<MessageBoxSeen> TessalyApp::FinishSendToAcad(Milliseconds timeout)
{
    std::vector<MessageBoxSeen> boxes;
    PostMarker();
    for (;;) {
        HWND box = nullptr;
        WaitUntil(
            [&] {
                box = OpenMessageBox();
                return box || MarkerTaken();
            },
            "\"Send To Acad\" to end or to show a message box (" + std::to_string(boxes.size()) + " answered so far)",
            timeout);
        // A marker taken by a message box's loop leaves that box open: look once more.
        if (!box)
            box = OpenMessageBox();
        if (!box)
            return boxes;
        boxes.push_back(Answer(box));
        PostMarker();
    }
}

DWORD TessalyApp::Close()
{
    if (!PostMessageW(Control(ControlId::Command1), BM_CLICK, 0, 0))
        throw Error("posting a click on Command1 failed");
    return process_.WaitForExit();
}

} // namespace tessaly::driving
