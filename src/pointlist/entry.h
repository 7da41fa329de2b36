#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// One point of the point list, parsed back from its text line.
struct PointEntry {
    std::wstring featureId;
    double x = 0;
    double y = 0;
    double z = 0;
};

// ID ",X=" x " Y=" y " Z=" z, each number in the general number text.
std::wstring FormatEntry(std::wstring_view featureId, double x, double y, double z, wchar_t decimalSeparator);

// The positional parse: the first ",", the first "Y" after it, the first "Z" after that
// "Y", and fixed character counts between them. Fails on a missing comma, "Y" or "Z" and
// on a number text that the strict conversion refuses.
PointEntry ParseEntry(std::wstring_view entry, wchar_t decimalSeparator);

} // namespace tessaly
