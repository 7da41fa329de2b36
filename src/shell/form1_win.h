#pragma once

#include <windows.h>

#include "action/window_state.h"
#include "cad/cad.h"
#include "dmis/dmis.h"
#include "shell/busy_gate.h"
#include "shell/control_ids_win.h"
#include "shell/controls_win.h"
#include "shell/dialog_window_win.h"
#include "shell/locale_win.h"
#include "shell/message_filter_win.h"
#include "shell/window_form_win.h"

namespace tessaly {

// The main window. The constructor creates it with its controls in their initial state
// and runs the load handler (always-on-top, then the link to the measuring
// application); Show() puts it on the screen. Exactly four handlers act: load,
// activation, "Close" and "Send To Acad".
class Form1 final : public DialogWindow, public WindowForm, private HeldCallWindow {
public:
    Form1(dmis::IConnector& dmisConnector, cad::IConnector& cadConnector,
          wchar_t decimalSeparator = UserDecimalSeparator());
    ~Form1() override;

    const WindowState& State() const noexcept { return state_; }
    WindowState& State() noexcept { return state_; }

    bool Closing() const noexcept override { return gate_.CloseAsked() || !Hwnd(); }

private:
    void onCreate() override;
    void onActivate() override;
    void onDestroy() override;
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND FormWindow() const noexcept override { return Hwnd(); }
    void onQuitPosted() noexcept override;
    void onGiveUpCall() noexcept override;

    void onLoad();
    void onCloseClick();
    void onSendToAcadClick();
    // "Close", or a close from the frame, the taskbar or another program.
    void onClose();
    // Runs a handler that calls the applications; a close held meanwhile is carried out
    // once it has returned.
    template <class Handler>
    void RunBusy(Handler&& handler) noexcept
    {
        if (gate_.Run(std::forward<Handler>(handler)))
            Destroy();
    }
    void CloseMessageBoxes();

    // Before the window exists and after it is gone, so that every call made from the
    // window's handlers is made under it.
    MessageFilterRegistration messageFilter_;
    dmis::IConnector& dmis_;
    cad::IConnector& cad_;
    const wchar_t decimalSeparator_;
    WindowState state_;
    // A handler that calls the applications waits in a message loop of COM's (or a
    // message box's), where messages sent by other programs are delivered.
    BusyGate gate_;
    Controls controls_;
    // A held call was given up: the references stay with the process's end.
    bool givenUp_ = false;
};

// The message loop of the program, with IsDialogMessage for the window's keyboard. A
// WM_QUIT that finds the window still there was posted by another program: a close.
// Returns 0 once the window is gone.
int RunMessageLoop(Form1& form);

} // namespace tessaly
