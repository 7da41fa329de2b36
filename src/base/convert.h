#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

// A whole number narrowed to a signed 16-bit integer, as the list and loop counters
// are; a value outside -32768..32767 is an overflow failure.
std::int16_t ToInt16(std::int32_t value, const char* what);

// Wide text to UTF-8 and back, for diagnostics and the COM layer.
std::string Narrow(const std::wstring& text);

} // namespace tessaly
