#pragma once

#include <windows.h>

#include <optional>

namespace tessaly {

// A top-level window that behaves like a dialog: the window-procedure trampoline with
// the one try/catch that no exception crosses, the dialog keyboard (Tab, arrows in
// option groups, Enter on the focused push button), the focus kept across activation,
// and a lifetime that only the window itself ends. A derived window creates it with
// Create() from its constructor and handles its own messages in onMessage.
class DialogWindow {
public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Null once the window is gone.
    HWND Hwnd() const noexcept { return hwnd_; }
    void Show(int showCommand = SW_SHOWNORMAL);
    // Keyboard as in a dialog; true when the message was consumed.
    bool PreTranslate(MSG& msg) const;

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
    // The control that has the focus when the window is first activated.
    void SetFocusControl(HWND control) noexcept { focus_ = control; }

    virtual void onCreate() = 0;
    virtual void onActivate() = 0;
    virtual void onDestroy() = 0;
    // The derived window's other messages: the result, or nothing for DefWindowProc.
    virtual std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
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
