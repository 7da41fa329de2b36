#pragma once

#include <string_view>

#include "base/error.h"

namespace tessaly {

// The Error of a failed Win32 call: its HRESULT from GetLastError (E_FAIL when the call
// set none), in the text as the COM helpers write it.
Error LastWin32Error(std::string_view what);

// The one diagnostic output of the program and its tools (the debugger's,
// OutputDebugString): what the user is not shown, such as a handler's failure caught at
// the window procedure. In a file of its own, so a program that traces links no COM.
void Trace(std::string_view what, std::string_view detail) noexcept;

} // namespace tessaly
