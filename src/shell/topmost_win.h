#pragma once

#include <windows.h>

namespace tessaly {

// Module1: puts the window into the always-on-top band without moving or
// resizing it. The one call of SetWindowPos that the program makes itself.
void MakeTopmost(HWND hwnd);

} // namespace tessaly
