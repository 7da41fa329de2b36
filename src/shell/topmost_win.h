#pragma once

#include <windows.h>

namespace tessaly {

// Puts the window into the always-on-top band without moving or resizing it.
void MakeTopmost(HWND hwnd);

} // namespace tessaly
