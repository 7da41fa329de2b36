#include "pointlist/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/convert.h"
#include "base/error.h"

namespace tessaly {

namespace {

std::wstring Widen(const char* first, const char* last, wchar_t decimalSeparator)
{
    std::wstring out;
    out.reserve(static_cast<std::size_t>(last - first));
    for (const char* p = first; p != last; ++p) {
        char c = *p;
        if (c == '.')
            out += decimalSeparator;
        else if (c == 'e')
            out += L'E';
        else
            out += static_cast<wchar_t>(c);
    }
    return out;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

} // namespace

std::wstring FormatNumber(double value, wchar_t decimalSeparator)
{
    if (!std::isfinite(value))
        throw Error("number text: the value is not a finite number");
    if (value == 0)
        value = 0; // no "-0"
    // Next to the largest double, rounding to 15 digits would write a number beyond
    // it, whose text no longer parses; write the 15-digit text just below instead.
    if (std::abs(value) > 1.797693134862315e308)
        value = std::copysign(1.79769313486231e308, value);
    // Like %.15G, but locale-independent; to_chars writes "1e-05", which becomes 1E-05.
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (ec != std::errc())
        throw Error("number text: cannot format the value");
    return Widen(buffer, end, decimalSeparator);
}

std::wstring FormatFixed6(double value, wchar_t decimalSeparator)
{
    if (!std::isfinite(value))
        throw Error("number text: the value overflows");
    // Large enough for the 309 integer digits of the largest double.
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec != std::errc())
        throw Error("number text: cannot format the value");
    std::string text(buffer, end);
    if (text == "-0.000000")
        text.erase(0, 1);
    return Widen(text.data(), text.data() + text.size(), decimalSeparator);
}

double ParseNumber(std::wstring_view text, wchar_t decimalSeparator)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;

    // Check the grammar ourselves and hand from_chars only what it matched: from_chars
    // would accept "inf", "nan" and hexadecimal forms, and stop silently at junk.
    std::string ascii;
    ascii.reserve(last - first);
    std::size_t i = first;
    if (i < last && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-')
            ascii += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < last && IsDigit(text[i])) {
        ascii += static_cast<char>(text[i++]);
        ++digits;
    }
    if (i < last && text[i] == decimalSeparator) {
        ascii += '.';
        ++i;
        while (i < last && IsDigit(text[i])) {
            ascii += static_cast<char>(text[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        throw Error("type mismatch: \"" + Narrow(std::wstring(text)) + "\" is not a number");
    if (i < last && (text[i] == L'E' || text[i] == L'e')) {
        ascii += 'e';
        ++i;
        if (i < last && (text[i] == L'+' || text[i] == L'-'))
            ascii += static_cast<char>(text[i++]);
        std::size_t exponentDigits = 0;
        while (i < last && IsDigit(text[i])) {
            ascii += static_cast<char>(text[i++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            throw Error("type mismatch: \"" + Narrow(std::wstring(text)) + "\" is not a number");
    }
    if (i != last)
        throw Error("type mismatch: \"" + Narrow(std::wstring(text)) + "\" is not a number");

    double value = 0;
    auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range is either overflow or underflow; strtod tells which (the buffer
        // is plain "C" text, and this program never changes the C locale).
        value = std::strtod(ascii.c_str(), nullptr);
        if (std::isinf(value))
            throw Error("overflow: \"" + Narrow(std::wstring(text)) + "\" is too large for a number");
    } else if (ec != std::errc() || ptr != ascii.data() + ascii.size()) {
        throw Error("type mismatch: \"" + Narrow(std::wstring(text)) + "\" is not a number");
    }
    return value;
}

} // namespace tessaly
