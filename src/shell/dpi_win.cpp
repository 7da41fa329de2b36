#include "shell/dpi_win.h"

namespace tessaly {

void EnableDpiAwareness()
{
    // System aware rather than per-monitor: the layout is computed once, at creation,
    // and nothing in the window adapts to a change of size, so the window
    // must never receive WM_DPICHANGED. On a monitor of another DPI Windows scales it.
    if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_SYSTEM_AWARE))
        SetProcessDPIAware();
}

int DpiOf(HWND hwnd)
{
    const UINT dpi = GetDpiForWindow(hwnd);
    return dpi != 0 ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

} // namespace tessaly
