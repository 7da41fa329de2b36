#include "pointlist/entry.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace tessaly {
namespace {

void ExpectEntry(const PointEntry& entry, const std::wstring& id, double x, double y, double z)
{
    EXPECT_EQ(entry.featureId, id);
    EXPECT_EQ(entry.x, x);
    EXPECT_EQ(entry.y, y);
    EXPECT_EQ(entry.z, z);
}

TEST(FormatEntry, WritesIdAndTheThreeNumbers)
{
    EXPECT_EQ(FormatEntry(L"F12", 10.5, -3.25, 0, L'.'), L"F12,X=10.5 Y=-3.25 Z=0");
    EXPECT_EQ(FormatEntry(L"F3", 10, -20, 5, L'.'), L"F3,X=10 Y=-20 Z=5");
    EXPECT_EQ(FormatEntry(L"PNT3", 1e-5, 100, -7.125, L'.'), L"PNT3,X=1E-05 Y=100 Z=-7.125");
    EXPECT_EQ(FormatEntry(L"F1", 1.5, -2.25, 0.5, L','), L"F1,X=1,5 Y=-2,25 Z=0,5");
}

TEST(ParseEntry, WorkedExamples)
{
    ExpectEntry(ParseEntry(L"F12,X=10.5 Y=-3.25 Z=0", L'.'), L"F12", 10.5, -3.25, 0);
    ExpectEntry(ParseEntry(L"F7, X=2 Y=4 Z=6", L'.'), L"F7", 2, 4, 6);
    ExpectEntry(ParseEntry(L"PNT3,X=1E-05 Y=100 Z=-7.125", L'.'), L"PNT3", 0.00001, 100, -7.125);
    EXPECT_THROW(ParseEntry(L"X=1.5 Y=2 Z=3", L'.'), Error);
}

TEST(ParseEntry, PositionalRuleEdgeCases)
{
    // No blank before "Z": the Y text loses its last digit.
    ExpectEntry(ParseEntry(L"F1,X=1 Y=45Z=6", L'.'), L"F1", 1, 4, 6);
    // Two blanks before "Z" leave a trailing blank, which the conversion accepts.
    ExpectEntry(ParseEntry(L"F1,X=1 Y=45  Z=6", L'.'), L"F1", 1, 45, 6);
    // "Y" and "Z" in the ID do not matter: both searches start after the comma.
    ExpectEntry(ParseEntry(L"ZY9,X=1 Y=2 Z=3", L'.'), L"ZY9", 1, 2, 3);
    ExpectEntry(ParseEntry(L"FYZ,X=-1 Y=-2 Z=-3", L'.'), L"FYZ", -1, -2, -3);
    // A comma in the ID ends it there, and the X text then starts inside the ID.
    EXPECT_THROW(ParseEntry(L"F1,2,X=1 Y=2 Z=3", L'.'), Error);
    // Missing letters or numbers.
    EXPECT_THROW(ParseEntry(L"F1,X=1 Z=3", L'.'), Error);
    EXPECT_THROW(ParseEntry(L"F1,X=1 Y=2", L'.'), Error);
    EXPECT_THROW(ParseEntry(L"F1,X= Y=2 Z=3", L'.'), Error);
    EXPECT_THROW(ParseEntry(L"F1,X=1 Y=2 Z=", L'.'), Error);
    EXPECT_THROW(ParseEntry(L"F1,X=1 Y=2 Z=3 extra", L'.'), Error);
    EXPECT_THROW(ParseEntry(L"", L'.'), Error);
    EXPECT_THROW(ParseEntry(L",", L'.'), Error);
    // The empty ID is fine.
    ExpectEntry(ParseEntry(L",X=1 Y=2 Z=3", L'.'), L"", 1, 2, 3);
}

TEST(ParseEntry, LocaleOfWriterAndReaderMustAgree)
{
    std::wstring entry = FormatEntry(L"F1", 1.5, 2, 3, L',');
    ExpectEntry(ParseEntry(entry, L','), L"F1", 1.5, 2, 3);
    EXPECT_THROW(ParseEntry(entry, L'.'), Error);
    EXPECT_THROW(ParseEntry(FormatEntry(L"F1", 1.5, 2, 3, L'.'), L','), Error);
}

TEST(ParseEntry, RoundTripsWhatFormatWrites)
{
    const double values[] = {0, -0.0, 1, -1, 10.5, -3.25, 1e-5, 1.5e16, -2.5e-300, 1e300, 0.1, 123456.789};
    for (const wchar_t* id : {L"F1", L"F12", L"PNT3", L"FY", L"FZZ", L"F-3", L"F", L"", L"F 1"}) {
        for (double x : values) {
            for (wchar_t separator : {L'.', L','}) {
                PointEntry entry = ParseEntry(FormatEntry(id, x, -x, x * 2, separator), separator);
                EXPECT_EQ(entry.featureId, id);
                EXPECT_EQ(entry.x, x);
                EXPECT_EQ(entry.y, -x);
                EXPECT_EQ(entry.z, x * 2); // doubling is exact, so still a short decimal
            }
        }
    }
}

} // namespace
} // namespace tessaly
