#include "shell/failure_win.h"

#include <windows.h>

#include <string>

#include "base/convert.h"
#include "com/com.h"

namespace tessaly {

Error LastWin32Error(std::string_view what)
{
    const DWORD code = GetLastError();
    return com::MakeError(Widen(what), code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code));
}

void Trace(std::string_view what, std::string_view detail) noexcept
{
    try {
        const std::string line = "Tessaly: " + std::string(what) + ": " + std::string(detail) + "\n";
        OutputDebugStringA(line.c_str());
    } catch (...) {
        OutputDebugStringA("Tessaly: no memory for a trace\n");
    }
}

} // namespace tessaly
