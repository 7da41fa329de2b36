#include "pointlist/number_text.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "base/error.h"

namespace tessaly {
namespace {

TEST(FormatNumber, GeneralFormWithoutTrailingZeros)
{
    EXPECT_EQ(FormatNumber(10.5, L'.'), L"10.5");
    EXPECT_EQ(FormatNumber(-3.25, L'.'), L"-3.25");
    EXPECT_EQ(FormatNumber(0, L'.'), L"0");
    EXPECT_EQ(FormatNumber(100, L'.'), L"100");
    EXPECT_EQ(FormatNumber(-20, L'.'), L"-20");
    EXPECT_EQ(FormatNumber(0.1 + 0.2, L'.'), L"0.3"); // 15 significant digits
    EXPECT_EQ(FormatNumber(123456789012345.0, L'.'), L"123456789012345");
    EXPECT_EQ(FormatNumber(1234567.125, L'.'), L"1234567.125"); // no grouping
}

TEST(FormatNumber, UsesTheGivenSeparator)
{
    EXPECT_EQ(FormatNumber(10.5, L','), L"10,5");
    EXPECT_EQ(FormatNumber(-0.0001, L','), L"-0,0001");
    EXPECT_EQ(FormatNumber(1.5e16, L','), L"1,5E+16");
}

TEST(FormatNumber, ExponentFormForVerySmallAndLarge)
{
    EXPECT_EQ(FormatNumber(1e-5, L'.'), L"1E-05");
    EXPECT_EQ(FormatNumber(0.0001, L'.'), L"0.0001");
    EXPECT_EQ(FormatNumber(1e15, L'.'), L"1E+15");
    EXPECT_EQ(FormatNumber(999999999999999.0, L'.'), L"999999999999999");
    EXPECT_EQ(FormatNumber(1.5e16, L'.'), L"1.5E+16");
    EXPECT_EQ(FormatNumber(-2.5e-300, L'.'), L"-2.5E-300");
    EXPECT_EQ(FormatNumber(1e100, L'.'), L"1E+100");
}

TEST(FormatNumber, TheLargestDoublesStillParseBack)
{
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(FormatNumber(max, L'.'), L"1.79769313486231E+308");
    EXPECT_EQ(FormatNumber(-max, L','), L"-1,79769313486231E+308");
    EXPECT_NO_THROW(ParseNumber(FormatNumber(std::nextafter(max, 0.0), L'.'), L'.'));
}

TEST(FormatNumber, NegativeZeroHasNoSign)
{
    EXPECT_EQ(FormatNumber(-0.0, L'.'), L"0");
}

TEST(FormatNumber, NonFiniteValuesFail)
{
    EXPECT_THROW(FormatNumber(std::numeric_limits<double>::infinity(), L'.'), Error);
    EXPECT_THROW(FormatNumber(-std::numeric_limits<double>::infinity(), L'.'), Error);
    EXPECT_THROW(FormatNumber(std::numeric_limits<double>::quiet_NaN(), L'.'), Error);
}

TEST(FormatFixed6, ProbeDiameterPattern)
{
    EXPECT_EQ(FormatFixed6(2.5 * 2, L'.'), L"5.000000");
    EXPECT_EQ(FormatFixed6(0.3125 * 2, L'.'), L"0.625000");
    EXPECT_EQ(FormatFixed6(1.23456789 * 2, L'.'), L"2.469136");
    EXPECT_EQ(FormatFixed6(0, L'.'), L"0.000000");
    EXPECT_EQ(FormatFixed6(-1.5, L'.'), L"-1.500000");
    EXPECT_EQ(FormatFixed6(0.0000004, L'.'), L"0.000000");
    EXPECT_EQ(FormatFixed6(-0.0000004, L'.'), L"0.000000");
    EXPECT_EQ(FormatFixed6(1234567.5, L'.'), L"1234567.500000");
    EXPECT_EQ(FormatFixed6(2.5 * 2, L','), L"5,000000");
    EXPECT_EQ(FormatFixed6(1e300, L'.').size(), 301u + 7u);
}

TEST(FormatFixed6, OverflowFails)
{
    EXPECT_THROW(FormatFixed6(std::numeric_limits<double>::max() * 2, L'.'), Error);
    EXPECT_THROW(FormatFixed6(std::numeric_limits<double>::quiet_NaN(), L'.'), Error);
}

TEST(ParseNumber, AcceptsNumbersWithBlanksAround)
{
    EXPECT_EQ(ParseNumber(L"10.5 ", L'.'), 10.5);
    EXPECT_EQ(ParseNumber(L"  -3.25", L'.'), -3.25);
    EXPECT_EQ(ParseNumber(L"\t7\t", L'.'), 7);
    EXPECT_EQ(ParseNumber(L"+2", L'.'), 2);
    EXPECT_EQ(ParseNumber(L"1E-05", L'.'), 1e-5);
    EXPECT_EQ(ParseNumber(L"1.5e+16", L'.'), 1.5e16);
    EXPECT_EQ(ParseNumber(L"5.", L'.'), 5);
    EXPECT_EQ(ParseNumber(L".5", L'.'), 0.5);
    EXPECT_EQ(ParseNumber(L"-2", L'.'), -2);
}

TEST(ParseNumber, ExpectsTheLocaleSeparator)
{
    EXPECT_EQ(ParseNumber(L"10,5", L','), 10.5);
    EXPECT_THROW(ParseNumber(L"10.5", L','), Error);
    EXPECT_THROW(ParseNumber(L"10,5", L'.'), Error);
    EXPECT_THROW(ParseNumber(L"1,000.5", L'.'), Error); // no grouping
}

TEST(ParseNumber, RefusesWhatIsNotANumber)
{
    for (const wchar_t* text :
         {L"",    L" ",        L"   ",  L"-",     L"+",     L".",      L"-.",    L"1e",
          L"1e+", L"E5",       L"abc",  L"12abc", L"1 2",   L"1..2",   L"NaN",   L"nan",
          L"inf", L"Infinity", L"0x10", L"--1",   L"1e5.5", L"\u00e9", L"\u0661" /* Arabic-Indic one */})
        EXPECT_THROW(ParseNumber(text, L'.'), Error) << "accepted \"" << std::wstring(text).size() << "\"";
}

TEST(ParseNumber, OverflowFailsUnderflowGivesTheNearestDouble)
{
    EXPECT_THROW(ParseNumber(L"1e999", L'.'), Error);
    EXPECT_THROW(ParseNumber(L"-1e309", L'.'), Error);
    EXPECT_EQ(ParseNumber(L"1e-999", L'.'), 0.0);
    EXPECT_GT(ParseNumber(L"4e-320", L'.'), 0.0);
}

TEST(ParseNumber, LongTextIsHandled)
{
    std::wstring digits(10000, L'9');
    EXPECT_THROW(ParseNumber(digits, L'.'), Error); // 1E+10000 overflows
    std::wstring junk(10000, L'x');
    EXPECT_THROW(ParseNumber(junk, L'.'), Error);
    EXPECT_EQ(ParseNumber(L"0." + std::wstring(9000, L'0') + L"1", L'.'), 0.0);
}

TEST(NumberText, RoundTripsFrom1Em300To1E300BothSeparators)
{
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (wchar_t separator : {L'.', L','}) {
        for (int i = 0; i < 20000; ++i) {
            double value = mantissa(random) * std::pow(10.0, exponent(random));
            if (i % 2)
                value = -value;
            std::wstring text = FormatNumber(value, separator);
            double back = ParseNumber(text, separator);
            // The text holds 15 significant digits; it parses back to the double it
            // denotes, and writing that again gives the same text.
            EXPECT_EQ(FormatNumber(back, separator), text);
            EXPECT_NEAR(back, value, std::abs(value) * 1e-14);
        }
    }
}

TEST(NumberText, ShortDecimalsRoundTripExactly)
{
    for (double value : {0.1, 0.3, 10.5, -3.25, 1e-5, 123.456, 1e300, -1e-300, 2.5e15, 0.000123}) {
        EXPECT_EQ(ParseNumber(FormatNumber(value, L'.'), L'.'), value);
        EXPECT_EQ(ParseNumber(FormatNumber(value, L','), L','), value);
    }
}

} // namespace
} // namespace tessaly
