#include "win32/failure.h"

#include <cstdio>
#include <string>

#include "base/convert.h"

namespace tessaly {

Error HresultError(std::wstring_view what, HRESULT hr, std::wstring_view detail)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    std::string text = Narrow(what) + " failed (HRESULT " + code + ")";
    if (!detail.empty())
        text += ": " + Narrow(detail);
    return Error(text, static_cast<std::int32_t>(hr));
}

namespace {

HRESULT LastErrorResult() noexcept
{
    const DWORD code = GetLastError();
    return code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code);
}

} // namespace

Error LastWin32Error(std::wstring_view what)
{
    const HRESULT hr = LastErrorResult();
    return HresultError(what, hr);
}

Error LastWin32Error(std::string_view what)
{
    const HRESULT hr = LastErrorResult();
    return HresultError(Widen(what), hr);
}

} // namespace tessaly
