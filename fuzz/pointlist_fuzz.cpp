// libFuzzer target: the entry parser and the strict conversion on arbitrary text, and
// format -> parse round trips of arbitrary doubles. Any crash, sanitizer report or
// failed round trip stops the run.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/error.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaly;
    if (size == 0)
        return 0;
    const wchar_t separator = data[0] & 1 ? L',' : L'.';
    std::wstring text;
    for (std::size_t i = 1; i < size; ++i)
        text += static_cast<wchar_t>(data[i] < 0x80 ? data[i] : 0x100 + data[i]);
    try {
        PointEntry entry = ParseEntry(text, separator);
        // What parsed is written back as an entry that parses to the same numbers.
        PointEntry again = ParseEntry(FormatEntry(L"F", entry.x, entry.y, entry.z, separator), separator);
        if (std::abs(again.x - entry.x) > std::abs(entry.x) * 1e-14)
            std::abort();
    } catch (const Error&) {
    }
    try {
        ParseNumber(text, separator);
    } catch (const Error&) {
    }
    if (size >= 9) {
        double value;
        std::memcpy(&value, data + 1, sizeof value);
        if (std::isfinite(value)) {
            const std::wstring written = FormatNumber(value, separator);
            const double back = ParseNumber(written, separator);
            if (FormatNumber(back, separator) != written)
                std::abort();
        }
    }
    return 0;
}
