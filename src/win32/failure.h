#pragma once

#include <windows.h>

#include <string_view>

#include "base/error.h"

namespace tessaly {

// The Error of a failed call: code() is hr, the text "<what> failed (HRESULT 0x...): <detail>".
Error HresultError(std::wstring_view what, HRESULT hr, std::wstring_view detail = {});

// The Error of a failed Win32 call: its HRESULT from GetLastError (E_FAIL when the call
// set none).
Error LastWin32Error(std::wstring_view what);
Error LastWin32Error(std::string_view what);

} // namespace tessaly
