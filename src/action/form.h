#pragma once

#include <optional>
#include <string>

#include "action/control_names.h"
#include "action/plot_mode.h"

namespace tessaly {

// Check box values.
constexpr int kUnchecked = 0;
constexpr int kChecked = 1;
constexpr int kGrayed = 2;

// A list box holds at most this many entries: counts and indexes are 16-bit.
constexpr int kListCapacity = 32767;

// The window as the rest of the program sees it: exactly the operations on controls
// that the load handler and the action use, plus the message box. WindowForm implements it
// on the window's controls; the simulations have an in-memory form. A failing operation throws Error.
class Form {
public:
    virtual ~Form() = default;

    // Label2's caption.
    virtual void SetCaption(ControlId label, const std::wstring& caption) = 0;
    // Text boxes and Combo1.
    virtual std::wstring GetText(ControlId control) const = 0;
    virtual void SetText(ControlId textBox, const std::wstring& text) = 0;
    // 0 clear, 1 checked, 2 greyed.
    virtual int CheckValue(ControlId checkBox) const = 0;
    // True when it is the selected button of its group.
    virtual bool OptionValue(ControlId optionButton) const = 0;
    // List1 and List2; indexes run from 0 to the count less one. Append fails when the
    // list already holds kListCapacity entries.
    virtual int ListCount(ControlId list) const = 0;
    virtual std::wstring ListItem(ControlId list, int index) const = 0;
    virtual bool ListSelected(ControlId list, int index) const = 0;
    virtual void ListAppend(ControlId list, const std::wstring& entry) = 0;
    virtual void ListClear(ControlId list) = 0;
    // A message box: OK button only, no icon, the program's name as caption; returns
    // when dismissed. (Not named MessageBox: windows.h makes that a macro.)
    virtual void ShowMessage(const std::wstring& text) = 0;
    // True once the window has been asked to close while a handler runs: the handler
    // stops at its next step, and the window closes when it has returned.
    virtual bool Closing() const noexcept = 0;

    bool IsChecked(ControlId checkBox) const { return CheckValue(checkBox) == kChecked; }

    // The plot mode whose option button is selected (the first, should another program
    // have selected two), or nothing when none is.
    std::optional<PlotMode> SelectedPlotMode() const
    {
        for (const PlotModeControl& row : kPlotModes)
            if (OptionValue(row.option))
                return row.mode;
        return std::nullopt;
    }
};

} // namespace tessaly
