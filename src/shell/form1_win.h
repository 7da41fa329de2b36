#pragma once

#include <windows.h>

#include "action/window_state.h"
#include "cad/cad.h"
#include "dmis/dmis.h"
#include "shell/busy_gate.h"
#include "layout/child_window_ids.h"
#include "shell/layout_controls_win.h"
#include "shell/dialog_window_win.h"
#include "shell/message_filter_win.h"
#include "shell/window_form_win.h"

namespace tessaly {

// The main window. The constructor creates it with its controls in their initial state
// and runs the load handler (always-on-top, then the link to the measuring
// application); Show() puts it on the screen. Exactly four handlers act: load,
// activation, "Close" and "Send To Acad". It is a dialog window; it has its controls,
// the form the action reads them through, and the state the action keeps.
class Form1 final : public DialogWindow {
public:
    // `decimalSeparator` is the one the window reads its texts with (the user's).
    Form1(dmis::IConnector& dmisConnector, cad::IConnector& cadConnector, wchar_t decimalSeparator);
    ~Form1() override;

    const WindowState& State() const noexcept { return state_; }
    WindowState& State() noexcept { return state_; }
    // The controls, as the load handler and the action see them.
    WindowForm& Controls() noexcept { return form_; }
    const WindowForm& Controls() const noexcept { return form_; }

private:
    void onCreate() override;
    void onActivate() override;
    void onDestroy() override;
    void onButtonClicked(int id) override;
    void onClose() override;
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void onLoad();
    void onSendToAcadClick();
    // The message filter's: a close is pending and an application holds the call.
    void onGiveUpCall() noexcept;
    // The message filter's: an application holds the call, and no close is pending.
    void onCallHeld() noexcept;
    // Runs a handler that calls the applications, with the filter woken meanwhile; a close
    // held meanwhile is carried out once it has returned.
    template <class Handler>
    void RunBusy(Handler&& handler) noexcept
    {
        if (gate_.Run([&] {
                const ActionWake wake(Hwnd());
                std::forward<Handler>(handler)();
            }))
            Destroy();
    }
    void CloseMessageBoxes();

    // What the message filter tells the window from inside a call's wait.
    class FilterEvents final : public HeldCallWindow {
    public:
        explicit FilterEvents(Form1& window) noexcept : window_(window) {}
        void onCallWaits() noexcept override { window_.CloseIfQuitPosted(); }
        void onCallHeld() noexcept override { window_.onCallHeld(); }
        void onGiveUpCall() noexcept override { window_.onGiveUpCall(); }

    private:
        Form1& window_;
    };

    FilterEvents filterEvents_{*this};
    // Before the window exists and after it is gone, so that every call made from the
    // window's handlers is made under it.
    MessageFilterRegistration messageFilter_{filterEvents_};
    dmis::IConnector& dmis_;
    cad::IConnector& cad_;
    const wchar_t decimalSeparator_;
    WindowState state_;
    // A handler that calls the applications waits in a message loop of COM's (or a
    // message box's), where messages sent by other programs are delivered.
    BusyGate gate_;
    LayoutControls controls_;
    WindowForm form_{*this, gate_};
    // A held call was given up: the references stay with the process's end.
    bool givenUp_ = false;
};

} // namespace tessaly
