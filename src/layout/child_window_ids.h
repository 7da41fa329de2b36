#pragma once

#include "action/control_names.h"

namespace tessaly {

// Child-window ids. They start well above IDOK (1) and IDCANCEL (2): IsDialogMessage
// turns Enter into WM_COMMAND IDOK and Escape into IDCANCEL when no default button is
// set, so neither may name a control.
constexpr int kFirstDialogId = 1000;

constexpr int DialogId(ControlId id)
{
    return kFirstDialogId + static_cast<int>(id);
}

// The control of a child-window id; false for an id that names none.
constexpr bool ControlOfDialogId(int dialogId, ControlId& id)
{
    const int index = dialogId - kFirstDialogId;
    if (index < 0 || index >= kControlCount)
        return false;
    id = static_cast<ControlId>(index);
    return true;
}

} // namespace tessaly
