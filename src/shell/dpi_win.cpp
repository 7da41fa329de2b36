#include "shell/dpi_win.h"

#include "win32/handles.h"

namespace tessaly {

namespace {

// Functions of later Windows versions than the oldest the program runs on (Windows 7
// SP1): looked up at run time, so that the loader never refuses the program for them.
template <typename Function>
Function Lookup(const char* name)
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// DPI_AWARENESS_CONTEXT_SYSTEM_AWARE, from Windows 10 1703 on.
const auto kSystemAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));

} // namespace

void EnableDpiAwareness()
{
    // System aware rather than per-monitor: the layout is computed once, at creation,
    // and nothing in the window adapts to a change of size, so the window
    // must never receive WM_DPICHANGED. On a monitor of another DPI Windows scales it.
    // The manifest says the same; this covers a program built without it (the tests).
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto setContext = Lookup<SetContext>("SetProcessDpiAwarenessContext");
    if (!setContext || !setContext(kSystemAware))
        SetProcessDPIAware();
}

int DpiOf(HWND hwnd)
{
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto getDpi = Lookup<GetDpi>("GetDpiForWindow");
    if (getDpi) {
        const UINT dpi = getDpi(hwnd);
        if (dpi != 0)
            return static_cast<int>(dpi);
    }
    // Before Windows 10 1607 a system-aware process has one DPI: the screen's.
    const WindowDc dc(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

} // namespace tessaly
