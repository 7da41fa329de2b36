#include "shell/locale_win.h"

#include <windows.h>

namespace tessaly {

wchar_t UserDecimalSeparator()
{
    // LOCALE_SDECIMAL may hold up to three characters; number text uses one, the first.
    wchar_t buffer[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
    return length > 1 && buffer[0] != L'\0' ? buffer[0] : L'.';
}

} // namespace tessaly
