#pragma once

#include <windows.h>

#include <exception>

#include "win32/trace.h"

namespace tessaly {

// The window procedure to register for a window whose handler may throw: no exception
// may cross user32's frames, so one that reaches here is traced and the message answered
// as failed (a failed WM_NCCREATE or WM_CREATE fails the window's creation).
template <WNDPROC Handler>
LRESULT CALLBACK GuardedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        return Handler(hwnd, message, wParam, lParam);
    } catch (const std::exception& e) {
        Trace("handler failed", e.what());
    } catch (...) {
        Trace("handler failed", "unknown exception");
    }
    return message == WM_CREATE ? -1 : 0;
}

} // namespace tessaly
