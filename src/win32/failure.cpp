#include "win32/failure.h"

#include <windows.h>

#include "base/convert.h"
#include "com/com.h"

namespace tessaly {

Error LastWin32Error(std::string_view what)
{
    const DWORD code = GetLastError();
    return com::MakeError(Widen(what), code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code));
}

} // namespace tessaly
