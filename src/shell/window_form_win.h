#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "action/form.h"
#include "shell/busy_gate.h"
#include "shell/dialog_window_win.h"
#include "layout/layout.h"

namespace tessaly {

// Form on the controls of a dialog window, found by their ids. Each operation checks that
// the control's kind allows it, and throws Error when the control is gone or refuses. It
// is closing once the gate holds a close, or the window is gone.
class WindowForm final : public Form {
public:
    WindowForm(const DialogWindow& window, const BusyGate& gate) noexcept : window_(window), gate_(gate) {}

    // The control's window; null once the window is gone.
    HWND Control(ControlId id) const noexcept;

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
    // Owned by the window, so modal to it and above it; nothing once it is closing.
    void ShowMessage(const std::wstring& text) override;
    bool Closing() const noexcept override { return gate_.CloseAsked() || !window_.Hwnd(); }

private:
    // The window that holds the controls and owns the message boxes.
    HWND FormWindow() const noexcept { return window_.Hwnd(); }
    HWND Expect(ControlId id, std::initializer_list<layout::Kind> kinds, const char* operation) const;
    HWND ExpectList(ControlId id, const char* operation) const;

    const DialogWindow& window_;
    const BusyGate& gate_;
};

} // namespace tessaly
