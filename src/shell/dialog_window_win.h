#pragma once

#include <windows.h>

#include <optional>

namespace tessaly {

// A top-level window that behaves like a dialog: the window-procedure trampoline behind
// the guard that no exception crosses (GuardedWindowProc), the decoding of clicks and the close into
// their hooks, the message loop with the dialog keyboard (Tab, arrows in option groups,
// Enter on the focused push button), the focus kept across activation, and a lifetime
// that only the window itself ends. A derived window creates it with Create() from its
// constructor and holds handlers only.
//
// The dialog manager's part (DM_GETDEFID, WM_NEXTDLGCTL, the focus across activation) is
// done here rather than by DefDlgProc on a DLGWINDOWEXTRA class: DefDlgProc gives the
// focus to any control WM_NEXTDLGCTL names, hidden ones too, answers DM_GETDEFID with a
// default button the window does not have, and turns Enter into a click on it.
class DialogWindow {
public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Null once the window is gone.
    HWND Hwnd() const noexcept { return hwnd_; }
    void Show(int showCommand = SW_SHOWNORMAL);
    // A WM_QUIT that finds the window still there was posted by another program (or
    // posted again by COM's or a message box's loop, which took it): a close. True when
    // one waits in this thread's queue (the window, if still there, was sent WM_CLOSE).
    bool CloseIfQuitPosted() const noexcept;
    // Keyboard as in a dialog; true when the message was consumed.
    bool PreTranslate(MSG& msg) const;
    // The thread's message loop, with the dialog keyboard, until the window is gone;
    // returns 0 then. A WM_QUIT while the window is there is a close.
    int RunMessageLoop();

protected:
    DialogWindow() = default;
    // A derived window calls Destroy() in its own destructor, while its handlers still
    // exist; this one only lets go of a window that is still there, without them.
    virtual ~DialogWindow();

    // Registers the class (once per process) and creates the window; onCreate runs in it.
    void Create(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle);
    // The one way the window is destroyed: WM_DESTROY and WM_NCDESTROY that arrive
    // otherwise were sent by another program, and the window is not going.
    void Destroy() noexcept;
    // The size of the client area, in pixels; the frame's part is added.
    void SetClientSize(int width, int height);
    // The control that has the focus when the window is first activated.
    void SetFocusControl(HWND control) noexcept { focus_ = control; }

    virtual void onCreate() = 0;
    virtual void onActivate() = 0;
    virtual void onDestroy() = 0;
    // A push button's own click (BN_CLICKED from the button), by its child-window id. The
    // WM_COMMAND IDOK and IDCANCEL that the dialog manager makes of Enter and Escape, and
    // every other notification, are not clicks.
    virtual void onButtonClicked(int id) = 0;
    // WM_CLOSE: the close box, the taskbar, another program, or a posted WM_QUIT.
    virtual void onClose() = 0;
    // The derived window's other messages: the result, or nothing for DefWindowProc.
    virtual std::optional<LRESULT> onMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void CloseForQuit() const noexcept;
    std::optional<LRESULT> Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool TakesFocus(HWND control) const noexcept;
    void RestoreFocus();
    LRESULT onGetDefId() const;
    void onNextDialogControl(WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    // The control that gets the focus back when the window is activated again.
    HWND focus_ = nullptr;
    bool created_ = false;
    bool destroying_ = false;
};

} // namespace tessaly
