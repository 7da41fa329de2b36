#pragma once

#include <windows.h>

#include <optional>

#include "action/control_names.h"
#include "win32/handles.h"

namespace tessaly {

// The main window's controls as the layout table has them: created in tab order with
// their fonts, and their text colours. The fonts must outlive the controls: the window is
// destroyed before this object goes.
class LayoutControls {
public:
    // Creates every control of `window` in tab order in its initial state at `dpi`, and
    // returns the control that takes the focus first.
    HWND Create(HWND window, int dpi);

    // WM_CTLCOLORSTATIC: the text colour of the control's row, or nothing for the
    // system's colours.
    static std::optional<LRESULT> ColorStatic(HDC dc, HWND control);

private:
    UniqueFont normalFont_;
    UniqueFont boldFont_;
};

} // namespace tessaly
