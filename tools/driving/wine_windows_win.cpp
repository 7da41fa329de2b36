#include "driving/wine_windows_win.h"

#include <windows.h>

#include <utility>

#include "win32/handles.h"

namespace tessaly::driving {

namespace {

std::wstring KeyOf(const std::wstring& program)
{
    return L"Software\\Wine\\AppDefaults\\" + program + L"\\X11 Driver";
}

} // namespace

bool RunningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void StartDesktop()
{
    GetDesktopWindow();
}

UnmanagedWindows::UnmanagedWindows(std::vector<std::wstring> programs)
{
    if (!RunningUnderWine())
        return;
    for (std::wstring& program : programs) {
        HKEY opened = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyOf(program).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &opened, nullptr) != ERROR_SUCCESS)
            continue;
        const UniqueKey key(opened);
        if (RegQueryValueExW(key.get(), L"Managed", nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            const wchar_t no[] = L"N";
            if (RegSetValueExW(key.get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no)) ==
                ERROR_SUCCESS)
                made_.push_back(std::move(program));
        }
    }
}

UnmanagedWindows::~UnmanagedWindows()
{
    for (const std::wstring& program : made_) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyOf(program).c_str(), 0, KEY_WRITE, &opened) == ERROR_SUCCESS)
            RegDeleteValueW(UniqueKey(opened).get(), L"Managed");
    }
}

} // namespace tessaly::driving
