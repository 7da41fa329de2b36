#pragma once

namespace tessaly {

// The user's decimal separator (Control Panel, Region), the first character of
// LOCALE_SDECIMAL; '.' when the locale does not give one.
wchar_t UserDecimalSeparator();

} // namespace tessaly
