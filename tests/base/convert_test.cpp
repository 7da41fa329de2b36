#include "base/convert.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

// One converter serves the COM diagnostics, the cell's output and the tests: pairs
// join, and what cannot be converted becomes U+FFFD on both sides.
TEST(Convert, Utf8BothWays)
{
    const std::wstring g_clef =
        sizeof(wchar_t) == 2 ? std::wstring{wchar_t(0xD834), wchar_t(0xDD1E)} : std::wstring{wchar_t(0x1D11E)};
    const struct {
        std::wstring wide;
        std::string utf8;
    } cases[] = {
        {L"F3", "F3"},
        {L"\u00B1 \u20AC", "\xC2\xB1 \xE2\x82\xAC"},
        {g_clef, "\xF0\x9D\x84\x9E"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Narrow(c.wide), c.utf8);
        EXPECT_EQ(Widen(c.utf8), c.wide);
    }
    if constexpr (sizeof(wchar_t) == 2) {
        EXPECT_EQ(Narrow(std::wstring{L'a', wchar_t(0xD834), L'b'}), "a\xEF\xBF\xBD"
                                                                     "b");
        EXPECT_EQ(Narrow(std::wstring{wchar_t(0xDD1E)}), "\xEF\xBF\xBD");
    }
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              L"a\uFFFDb");
    EXPECT_EQ(Widen("\xE2\x82"), L"\uFFFD");       // cut short
    EXPECT_EQ(Widen("\xC0\xAF"), L"\uFFFD\uFFFD"); // overlong lead, then a stray byte
    EXPECT_EQ(Widen("\xED\xA0\x80"), L"\uFFFD");   // a surrogate
}

} // namespace
} // namespace tessaly::test
