#include "shell/topmost_win.h"

namespace tessaly {

void MakeTopmost(HWND hwnd)
{
    // No SWP_NOACTIVATE: the call may activate the window. Activating the window that
    // is already active sends no second WM_ACTIVATE, so the activation handler, which
    // calls this, does not run again. The result is not examined: a failing call
    // leaves the window where it is in the stacking order and nothing is reported.
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace tessaly
