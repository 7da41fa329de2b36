#include "base/convert.h"

#include <cmath>

#include "base/error.h"

namespace tessaly {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c)
{
    return c >= 0xD800 && c < 0xE000;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t c)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

} // namespace

std::int16_t ToInt16(std::int32_t value, const char* what)
{
    if (value < INT16_MIN || value > INT16_MAX)
        throw Error(std::string(what) + ": overflow, " + std::to_string(value) + " does not fit a 16-bit integer");
    return static_cast<std::int16_t>(value);
}

double Finite(double value, const char* what)
{
    if (!std::isfinite(value))
        throw Error(std::string(what) + " overflows");
    return value;
}

std::string Narrow(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c < 0xDC00 && IsSurrogate(c) && i + 1 < text.size()) {
                const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c < 0x10000 && IsSurrogate(c)) || c > 0x10FFFF)
            c = kReplacement;
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring Widen(std::string_view utf8)
{
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        std::size_t taken = 1;
        for (; length > 1 && taken < length && i + taken < utf8.size(); ++taken) {
            const auto next = static_cast<unsigned char>(utf8[i + taken]);
            if ((next & 0xC0) != 0x80)
                break;
            c = (c << 6) | (next & 0x3F);
        }
        // Too short, overlong, a surrogate or beyond U+10FFFF: the bytes read so far
        // stand for one replacement character.
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (length == 0 || taken < length || overlong || IsSurrogate(c) || c > 0x10FFFF)
            c = kReplacement;
        AppendWide(out, c);
        i += taken;
    }
    return out;
}

} // namespace tessaly
