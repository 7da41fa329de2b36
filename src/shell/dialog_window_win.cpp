#include "shell/dialog_window_win.h"

#include "win32/failure.h"
#include "win32/window_proc.h"

namespace tessaly {

DialogWindow::~DialogWindow()
{
    if (!hwnd_)
        return;
    // The derived window is gone already: no message may reach its handlers.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

void DialogWindow::Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, className, &wc)) {
        wc.cbSize = sizeof(wc);
        // No exception may cross user32's frames: every handler runs inside the guard's
        // one try/catch. Reports the user sees are written by the handlers themselves.
        wc.lpfnWndProc = &GuardedWindowProc<&DialogWindow::WindowProc>;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // The face colour of a dialog: statics and buttons draw on it.
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = className;
        if (!RegisterClassExW(&wc))
            throw LastWin32Error("RegisterClassEx");
    }
    // The window system chooses the position and a first size; onCreate sets the size.
    if (!CreateWindowExW(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         nullptr, nullptr, instance, this))
        throw LastWin32Error("CreateWindowEx of the main window");
}

void DialogWindow::Destroy() noexcept
{
    if (!hwnd_)
        return;
    destroying_ = true;
    DestroyWindow(hwnd_);
}

void DialogWindow::SetClientSize(int width, int height)
{
    // The frame adds what it adds at the window's DPI: measured on the window itself.
    RECT outer{};
    RECT client{};
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
    SetWindowPos(hwnd_, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                 height + (outer.bottom - outer.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::Show(int showCommand)
{
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

bool DialogWindow::PreTranslate(MSG& msg) const
{
    return hwnd_ && IsDialogMessageW(hwnd_, &msg);
}

int DialogWindow::RunMessageLoop()
{
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            if (!hwnd_)
                return 0;
            CloseForQuit();
            continue;
        }
        if (got == -1)
            return 1;
        if (PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool DialogWindow::CloseIfQuitPosted() const noexcept
{
    MSG msg{};
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_NOYIELD))
        return false;
    if (hwnd_)
        CloseForQuit();
    return true;
}

void DialogWindow::CloseForQuit() const noexcept
{
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK DialogWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogWindow* self = nullptr;
    // The window's own WM_NCCREATE comes first, before the object is stored; one sent
    // later by another program carries a pointer of its own and is not believed.
    if (message == WM_NCCREATE && !GetWindowLongPtrW(hwnd, GWLP_USERDATA)) {
        self = static_cast<DialogWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY have no object.
    if (self) {
        if (std::optional<LRESULT> result = self->Dispatch(message, wParam, lParam))
            return *result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::optional<LRESULT> DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (created_) // sent again by another program
            return 0;
        created_ = true;
        onCreate();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            onActivate();
            // DefWindowProc would put the focus on the window itself; give it back to
            // the control that had it, as a dialog does. Not while minimised.
            if (!HIWORD(wParam))
                RestoreFocus();
        } else {
            const HWND focus = GetFocus();
            if (TakesFocus(focus))
                focus_ = focus;
        }
        return 0;
    case WM_SETFOCUS:
        // Restored from the taskbar, or focus handed to the window itself.
        RestoreFocus();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
            onButtonClicked(LOWORD(wParam));
        return 0;
    case WM_CLOSE: onClose(); return 0;
    case DM_GETDEFID: return onGetDefId();
    case WM_NEXTDLGCTL: onNextDialogControl(wParam, lParam); return 0;
    case WM_DESTROY:
        if (destroying_)
            onDestroy();
        return 0;
    case WM_NCDESTROY:
        if (!destroying_)
            return 0;
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        focus_ = nullptr;
        return std::nullopt;
    default: return onMessage(message, wParam, lParam);
    }
}

bool DialogWindow::TakesFocus(HWND control) const noexcept
{
    // A hidden control never has the focus, and with it the keyboard. Its own style: the
    // window itself is not yet visible when it is first activated.
    return control && IsChild(hwnd_, control) && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE);
}

void DialogWindow::RestoreFocus()
{
    if (TakesFocus(focus_))
        SetFocus(focus_);
}

LRESULT DialogWindow::onGetDefId() const
{
    // There is no default button. IsDialogMessage asks for one on Enter when the focused
    // control is not a default push button: answer with the focused push button, so that
    // Enter presses the button that has the focus and nothing else. Elsewhere the answer
    // is "none", and the dialog manager's fallback WM_COMMAND IDOK does nothing.
    const HWND focus = GetFocus();
    if (!focus || !IsChild(hwnd_, focus))
        return 0;
    // A push button says so when asked, as the dialog manager asks it.
    if (!(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON)))
        return 0;
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

void DialogWindow::onNextDialogControl(WPARAM wParam, LPARAM lParam)
{
    // WM_NEXTDLGCTL is DefDlgProc's; a plain window gets it from IsDialogMessage (arrow
    // keys outside option groups) and does it itself.
    HWND next = nullptr;
    if (LOWORD(lParam))
        next = reinterpret_cast<HWND>(wParam);
    else
        next = GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
    if (TakesFocus(next))
        SetFocus(next);
}

} // namespace tessaly
