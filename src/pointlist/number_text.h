#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Number text in the locale's decimal separator, which every caller passes in (the
// Windows build reads it from the user's locale).

// General form: at most 15 significant digits, no trailing zeros, no grouping, a
// leading "-" when negative; exponent form (1E-05, 1.5E+16) below 1E-04 and from 1E+15
// up. A non-finite value has no text and fails.
std::wstring FormatNumber(double value, wchar_t decimalSeparator);

// The "#0.000000" pattern: at least one digit before the separator, exactly six after
// it, rounded at the sixth, no grouping, a leading minus when negative (a value that
// rounds to zero shows none). A non-finite value fails.
std::wstring FormatFixed6(double value, wchar_t decimalSeparator);

// Strict conversion: blanks around the number are allowed, then an optional sign,
// digits with at most one decimal separator, and an optional exponent (E or e, optional
// sign, digits). Anything else, empty or blank-only text and overflow fail. A value too
// small for a double becomes the nearest one (zero or subnormal).
double ParseNumber(std::wstring_view text, wchar_t decimalSeparator);

} // namespace tessaly
