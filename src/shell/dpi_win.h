#pragma once

#include <windows.h>

namespace tessaly {

// Makes the process DPI aware, so that the window is laid out at the display's real DPI
// instead of being bitmap-stretched. Call before the first window is created.
void EnableDpiAwareness();

// The DPI the window is laid out at.
int DpiOf(HWND hwnd);

} // namespace tessaly
