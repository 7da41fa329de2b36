#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "cad/cad.h"
#include "dmis/dmis.h"
#include "action/form.h"
#include "shell/layout.h"
#include "shell/locale_win.h"
#include "shell/message_filter_win.h"
#include "action/window_state.h"

namespace tessaly {

// Child-window ids. They start well above IDOK (1) and IDCANCEL (2): IsDialogMessage
// turns Enter into WM_COMMAND IDOK and Escape into IDCANCEL when no default button is
// set, so neither may name a control.
constexpr int kFirstDialogId = 1000;
constexpr int DialogId(ControlId id)
{
    return kFirstDialogId + static_cast<int>(id);
}

struct FontDeleter {
    void operator()(HFONT font) const noexcept { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The main window on plain Win32. The constructor creates the window and its
// controls in their initial state and runs the load handler (always-on-top, then the
// link to the measuring application); Show() puts it on the screen. Exactly four
// handlers act: load, activation, "Close" and "Send To Acad".
class Form1 final : public Form {
public:
    Form1(dmis::IConnector& dmisConnector, cad::IConnector& cadConnector,
          wchar_t decimalSeparator = UserDecimalSeparator());
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void Show(int showCommand = SW_SHOWNORMAL);
    // Null once the window is gone ("Close", or closed from its frame).
    HWND Hwnd() const noexcept { return hwnd_; }
    HWND Control(ControlId id) const noexcept;
    // Keyboard as in a dialog (Tab, arrows in option groups, Space and Enter on the
    // focused button); true when the message was consumed.
    bool PreTranslate(MSG& msg) const;
    const WindowState& State() const noexcept { return state_; }
    WindowState& State() noexcept { return state_; }

    // Form
    void SetCaption(ControlId label, const std::wstring& caption) override;
    std::wstring GetText(ControlId control) const override;
    void SetText(ControlId textBox, const std::wstring& text) override;
    int CheckValue(ControlId checkBox) const override;
    bool OptionValue(ControlId optionButton) const override;
    int ListCount(ControlId list) const override;
    std::wstring ListItem(ControlId list, int index) const override;
    bool ListSelected(ControlId list, int index) const override;
    void ListAppend(ControlId list, const std::wstring& entry) override;
    void ListClear(ControlId list) override;
    void ShowMessage(const std::wstring& text) override;
    bool Closing() const noexcept override { return closeAsked_ || !hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The result of a handled message, or nothing for DefWindowProc.
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The four handlers that act.
    void onLoad();
    void onActivate();
    void onCloseClick();
    void onSendToAcadClick();
    // "Close", or a close from the frame, the taskbar or another program.
    void onClose();
    // Runs a handler that calls the applications (it never throws); a close asked for
    // meanwhile is carried out once it has returned. Handlers never nest: one that
    // arrives while another runs (sent by another program into a call's wait) does
    // nothing.
    template <class Handler>
    void RunBusy(Handler&& handler) noexcept
    {
        if (busy_)
            return;
        busy_ = true;
        handler();
        busy_ = false;
        if (closeAsked_)
            Destroy();
    }
    // The one way the window is destroyed: WM_DESTROY and WM_NCDESTROY that arrive
    // otherwise were sent by another program, and the window is not going.
    void Destroy() noexcept;

    // Window mechanics, not behaviour: building, painting, focus, teardown.
    void onCreate();
    void onDestroy();
    void RestoreFocus();
    void CloseMessageBoxes();
    std::optional<LRESULT> onColorStatic(HDC dc, HWND control);
    LRESULT onGetDefId() const;
    void onNextDialogControl(WPARAM wParam, LPARAM lParam);

    // The control's window, after checking that its kind allows the operation.
    HWND Expect(ControlId id, std::initializer_list<layout::Kind> kinds, const char* operation) const;
    HWND ExpectList(ControlId id, const char* operation) const;

    // Before the window exists and after it is gone, so that every call made from the
    // window's handlers is made under it.
    MessageFilterRegistration messageFilter_;
    dmis::IConnector& dmis_;
    cad::IConnector& cad_;
    const wchar_t decimalSeparator_;
    WindowState state_;
    HWND hwnd_ = nullptr;
    // A handler that calls the applications is running. Each call waits in a message loop
    // of COM's (or a message box's), where messages sent by other programs and threads
    // are delivered: a click sent to "Send To Acad" then does nothing, and a close is
    // held until the handler has returned (closeAsked_).
    bool busy_ = false;
    bool closeAsked_ = false;
    // The load handler has run: it runs once per window, whatever sends its message again.
    bool loaded_ = false;
    bool destroying_ = false;
    // The control that gets the focus back when the window is activated again.
    HWND focus_ = nullptr;
    // The controls' fonts. They outlive the controls: the destructor's body destroys the
    // window before the members go.
    UniqueFont normalFont_;
    UniqueFont boldFont_;
};

// The message loop of the program, with IsDialogMessage for the window's keyboard.
// Returns the exit code of WM_QUIT.
int RunMessageLoop(Form1& form);

} // namespace tessaly
