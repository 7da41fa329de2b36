#pragma once

#include <windows.h>

#include <optional>

#include "action/control_names.h"
#include "win32/handles.h"

namespace tessaly {

// The main window's controls, built from the layout table, and their fonts. The fonts
// must outlive the controls: the window is destroyed before this object goes.
class ControlBuilder {
public:
    // Sizes `window`'s client area to the layout at `dpi`, creates every control in
    // tab order in its initial state, and returns the control that takes the focus first.
    HWND Build(HWND window, int dpi);

    // WM_CTLCOLORSTATIC: the text colour of the control's row, or nothing for the
    // system's colours.
    static std::optional<LRESULT> ColorStatic(HDC dc, HWND control);

private:
    UniqueFont normalFont_;
    UniqueFont boldFont_;
};

} // namespace tessaly
