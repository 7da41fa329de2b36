#include "pointlist/entry.h"

#include "base/convert.h"
#include "base/error.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

// The parse is written in 1-based character positions, as the rule is stated.
using Pos = long long;

// Position of the first `c` at or after position `start`, 0 when there is none.
Pos InStr(Pos start, std::wstring_view text, wchar_t c)
{
    if (start < 1 || start > static_cast<Pos>(text.size()))
        return 0;
    std::size_t found = text.find(c, static_cast<std::size_t>(start - 1));
    return found == std::wstring_view::npos ? 0 : static_cast<Pos>(found) + 1;
}

// `count` characters from position `start`, fewer at the end of the text; a negative
// count is an invalid argument.
std::wstring_view Mid(std::wstring_view text, Pos start, Pos count, std::wstring_view entry)
{
    if (count < 0)
        throw Error("point entry \"" + Narrow(std::wstring(entry)) + "\": malformed");
    if (start > static_cast<Pos>(text.size()))
        return {};
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

} // namespace

std::wstring FormatEntry(std::wstring_view featureId, double x, double y, double z, wchar_t decimalSeparator)
{
    std::wstring entry;
    entry.reserve(featureId.size() + 48);
    entry += featureId;
    entry += L",X=";
    entry += FormatNumber(x, decimalSeparator);
    entry += L" Y=";
    entry += FormatNumber(y, decimalSeparator);
    entry += L" Z=";
    entry += FormatNumber(z, decimalSeparator);
    return entry;
}

PointEntry ParseEntry(std::wstring_view entry, wchar_t decimalSeparator)
{
    const Pos length = static_cast<Pos>(entry.size());
    const Pos c = InStr(1, entry, L',');
    PointEntry result;
    result.featureId = std::wstring(Mid(entry, 1, c - 1, entry)); // no comma: -1 characters, fails

    const Pos yPos = InStr(c + 1, entry, L'Y');
    std::wstring_view xText = Mid(entry, c + 3, yPos - (c + 3), entry);
    if (!xText.empty() && xText.front() == L'=')
        xText.remove_prefix(1);

    const Pos zPos = InStr(yPos + 1, entry, L'Z');
    std::wstring_view yText = Mid(entry, yPos + 2, zPos - yPos - 3, entry);
    std::wstring_view zText = Mid(entry, zPos + 2, length, entry);

    result.x = ParseNumber(xText, decimalSeparator);
    result.y = ParseNumber(yText, decimalSeparator);
    result.z = ParseNumber(zText, decimalSeparator);
    return result;
}

} // namespace tessaly
