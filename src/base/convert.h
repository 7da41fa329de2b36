#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// A whole number narrowed to a signed 16-bit integer, as the list and loop counters
// are; a value outside -32768..32767 is an overflow failure.
std::int16_t ToInt16(std::int32_t value, const char* what);

// The value, if it is a finite double; an infinity or NaN (an overflow of what was
// computed) is a failure.
double Finite(double value, const char* what);

// Wide text (UTF-16 on Windows, UTF-32 elsewhere) to UTF-8 and back, for diagnostics
// and console output. An unpaired surrogate, or bytes that are not UTF-8, become
// U+FFFD, as the Windows conversions make them.
std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view utf8);

} // namespace tessaly
