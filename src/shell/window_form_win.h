#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "action/form.h"
#include "shell/layout.h"

namespace tessaly {

// Form on the controls of a Win32 window, found by their ids. Each operation checks that
// the control's kind allows it, and throws Error when the control is gone or refuses.
// Closing() is left to the window.
class WindowForm : public Form {
public:
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

protected:
    // The window that holds the controls and owns the message boxes.
    virtual HWND FormWindow() const noexcept = 0;

private:
    HWND Expect(ControlId id, std::initializer_list<layout::Kind> kinds, const char* operation) const;
    HWND ExpectList(ControlId id, const char* operation) const;
};

} // namespace tessaly
