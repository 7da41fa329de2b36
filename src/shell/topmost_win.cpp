#include "shell/topmost_win.h"

namespace tessaly {

// The flags are exactly 3 (SWP_NOSIZE | SWP_NOMOVE) and no other: in particular no
// SWP_NOACTIVATE, as in the original declaration, so the call may activate the window;
// activating the window that is already active sends no second WM_ACTIVATE.
static_assert((SWP_NOSIZE | SWP_NOMOVE) == 3);

void MakeTopmost(HWND hwnd)
{
    // The result is not examined: a failing call leaves the window where it is in the
    // stacking order and nothing is reported.
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace tessaly
