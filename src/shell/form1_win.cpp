#include "shell/form1_win.h"

#include "action/link_at_load.h"
#include "action/send_to_acad.h"
#include "layout/layout.h"
#include "shell/dpi_win.h"
#include "win32/trace.h"
#include "shell/topmost_win.h"

namespace tessaly {

namespace {

constexpr wchar_t kClassName[] = L"Tessaly.Form1";
// Sent once, after the window and its controls exist: the window-load event. Any
// program can send the same number; the gate runs the handler for the first one only.
constexpr UINT kLoadMessage = WM_APP + 1;

// A fixed-size frame with minimise and close boxes; an unowned top-level window with
// WS_EX_APPWINDOW has a taskbar button. WS_CLIPCHILDREN is left out on purpose: the
// group boxes do not erase their interior, the parent's background erase must reach it.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

// EnumThreadWindows callback (named: a lambda has no CALLBACK convention on x86): ends
// each message box that the window in `owner` owns, as its OK button would.
BOOL CALLBACK EndOwnedMessageBox(HWND window, LPARAM owner)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && std::wstring_view(className) == L"#32770")
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

} // namespace

Form1::Form1(dmis::IConnector& dmisConnector, cad::IConnector& cadConnector, wchar_t decimalSeparator)
    : dmis_(dmisConnector), cad_(cadConnector), decimalSeparator_(decimalSeparator)
{
    // Without it the program still works, but a busy application fails its calls at once.
    if (!messageFilter_.Registered())
        Trace("message filter", "not registered: no single-threaded apartment on this thread");
    Create(kClassName, layout::kCaption, kWindowStyle, kWindowExStyle);
    // The window-load event: through the window procedure, so it shares its one try/catch.
    SendMessageW(Hwnd(), kLoadMessage, 0, 0);
}

Form1::~Form1()
{
    Destroy();
}

std::optional<LRESULT> Form1::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kLoadMessage: onLoad(); return 0;
    case WM_CTLCOLORSTATIC:
        return LayoutControls::ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default: return std::nullopt;
    }
}

// --- The four handlers ------------------------------------------------------------------

void Form1::onLoad()
{
    if (!gate_.TakeLoad())
        return;
    // First, before anything can fail and before the window is on the screen.
    MakeTopmost(Hwnd());
    RunBusy([&] { LinkAtLoad(form_, state_, dmis_, decimalSeparator_); });
}

void Form1::onActivate()
{
    MakeTopmost(Hwnd());
}

void Form1::onButtonClicked(int id)
{
    if (id == DialogId(ControlId::Command1))
        onClose();
    else if (id == DialogId(ControlId::Command2))
        onSendToAcadClick();
}

void Form1::onSendToAcadClick()
{
    // One action at a time: a click that arrives while a call of the action waits (sent
    // by another program, or an accessibility tool) does nothing.
    RunBusy([&] { SendToAcad(form_, state_, dmis_, cad_, decimalSeparator_); });
}

// "Close", or a close from the frame, the taskbar or another program, or a posted WM_QUIT.
void Form1::onClose()
{
    if (gate_.Ending())
        return;
    // A call that waits from now on (a release too) is not waited for without bound.
    messageFilter_.CloseAsked(Hwnd());
    // Ends the program: onDestroy lets go of every reference and posts WM_QUIT. Nothing is
    // sent to the measuring or the CAD application, and what was drawn stays.
    if (gate_.AskClose()) {
        Destroy();
        return;
    }
    // A handler is inside a call: destroying the window now would release the references
    // it is using. It stops at its next step instead (Closing), shows no more message
    // boxes, a call a busy application turns away is not tried again, one it holds is
    // cancelled, and the window goes when the handler returns.
    CloseMessageBoxes();
}

void Form1::onGiveUpCall() noexcept
{
    // The application holds a call past the close: the window goes now, without the
    // releases (each would be a call it holds too), and so does the process. What the
    // application still holds of this process is its clean-up.
    if (!givenUp_) {
        givenUp_ = true;
        if (!gate_.Ending())
            Destroy();
    }
    ExitProcess(0);
}

void Form1::onCallHeld() noexcept
{
    // The user's close (the mouse on "Close", Alt+F4, the caption) or one another program
    // posted: COM's wait dispatches neither, so it would wait for the call to come back.
    // It counts now, as a sent close does; it stays in the queue, and the window goes
    // without it. Anything else there waits for the call, as the window ignores input
    // during an action.
    if (CloseQueued(Hwnd(), form_.Control(ControlId::Command1)))
        onClose();
}

// --- Window mechanics -------------------------------------------------------------------

void Form1::onCreate()
{
    const int dpi = DpiOf(Hwnd());
    SetClientSize(layout::TwipsToPixels(layout::kClientWidth, dpi), layout::TwipsToPixels(layout::kClientHeight, dpi));
    SetFocusControl(controls_.Create(Hwnd(), dpi));
}

void Form1::onDestroy()
{
    // Every reference the window holds is let go, the dependent objects first; the
    // applications only lose a client, they receive no quit or close request. Under the
    // gate: what arrives during the releases runs no handler.
    if (!givenUp_)
        gate_.End([&] {
            state_.lastCircle.reset();
            state_.acadDoc.reset();
            state_.acadApp.reset();
            state_.dmisMachine.reset();
            state_.dmisApp.reset();
        });
    // The program's only window: its end is the program's end.
    PostQuitMessage(0);
}

void Form1::CloseMessageBoxes()
{
    EnumThreadWindows(GetCurrentThreadId(), &EndOwnedMessageBox, reinterpret_cast<LPARAM>(Hwnd()));
}

} // namespace tessaly
