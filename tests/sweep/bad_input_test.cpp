// Bad input through the window's number boxes and from the measuring application, by
// the whole "Send To Acad" against the simulated cell. The number conversion itself is
// tested in tests/pointlist; here each input must give the message the action names
// for that box, draw what it should and never list an entry that does not parse back.
#include <cmath>
#include <limits>
#include <optional>

#include <gtest/gtest.h>

#include "action/report.h"
#include "pointlist/entry.h"
#include "sweep/sweep_cell.h"

namespace tessaly::test::sweep {
namespace {

const std::wstring kCollectionReport = TextOf(ReportText::Collection);
const std::wstring kCadLinkReport = TextOf(ReportText::CadLink);
const std::wstring kPartGroupReport = TextOf(ReportText::PartGroup);
const std::wstring kMachine = L"CMM-1";

// A number text typed by the user, the locale's separator, and the number it stands
// for (none: not a number).
struct NumberInput {
    const char* name;
    std::wstring text;
    wchar_t separator;
    std::optional<double> value;
};

const std::vector<NumberInput>& NumberInputs()
{
    static const std::vector<NumberInput> inputs = {
        {"empty", L"", L'.', {}},
        {"blank-only", L"   ", L'.', {}},
        {"minus sign", L"-", L'.', {}},
        {"separator alone", L".", L'.', {}},
        {"overflow", L"1e999", L'.', {}},
        {"underflow", L"1e-999", L'.', 0.0},
        {"NaN", L"NaN", L'.', {}},
        {"inf", L"inf", L'.', {}},
        {"-inf", L"-inf", L'.', {}},
        {"comma where a full stop is the separator", L"1,5", L'.', {}},
        {"full stop where a comma is the separator", L"1.5", L',', {}},
        {"comma where it is the separator", L"1,5", L',', 1.5},
        {"digit grouping", L"1,000", L'.', {}},
        {"digit grouping with a comma separator", L"1.000,5", L',', {}},
        {"blank digit grouping", L"1 000", L'.', {}},
        {"10,000 digits", L"1" + std::wstring(9999, L'0'), L'.', {}},
        {"10,000 characters, leading zeros", std::wstring(9999, L'0') + L"1", L'.', 1.0},
        {"10,000 characters, blanks around", std::wstring(5000, L' ') + L"1" + std::wstring(4999, L' '), L'.', 1.0},
        {"fullwidth digit", L"\uFF11", L'.', {}},
        {"Arabic-Indic digit", L"\u0661", L'.', {}},
        {"Arabic decimal separator", L"1\u066B5", L'.', {}},
        {"accented letter", L"\u00E9", L'.', {}},
        {"no-break space before", L"\u00A01", L'.', {}},
    };
    return inputs;
}

std::vector<sim::SimEntity> Added(const Cell& cell)
{
    std::vector<sim::SimEntity> added;
    for (std::size_t i = static_cast<std::size_t>(cell.base); i < cell.cad.entities.size(); ++i)
        if (!cell.cad.entities[i].deleted)
            added.push_back(cell.cad.entities[i]);
    return added;
}

std::vector<double> Radii(const std::vector<sim::SimEntity>& entities)
{
    std::vector<double> radii;
    for (const auto& e : entities)
        radii.push_back(e.radius);
    return radii;
}

// Every entry of List1 parses back, and the entities drawn sit at those points.
void ExpectSoundList(const Cell& cell, std::size_t perEntry)
{
    const auto& list1 = cell.form.Items(kPointList);
    const auto drawn = Added(cell);
    for (std::size_t k = 0; k < list1.size(); ++k) {
        PointEntry entry;
        ASSERT_NO_THROW(entry = ParseEntry(list1[k], cell.separator)) << "entry " << k;
        for (std::size_t i = k * perEntry; i < (k + 1) * perEntry && i < drawn.size(); ++i)
            EXPECT_EQ(drawn[i].centre, (cad::Point3{entry.x, entry.y, entry.z})) << "entry " << k;
    }
}

Settings Request(ControlId mode, std::vector<std::wstring> features = {L"F3"})
{
    Settings s;
    s.features = std::move(features);
    s.mode = mode;
    return s;
}

void TypeProbeDiameter(Cell& cell, wchar_t separator)
{
    cell.separator = separator;
    cell.form.SetText(kProbeDiameter, separator == L'.' ? L"5.000000" : L"5,000000");
}

TEST(BadInput, ProbeDiameter)
{
    for (const auto& input : NumberInputs()) {
        SCOPED_TRACE(input.name);
        Cell cell(Request(kSpheres));
        cell.separator = input.separator;
        cell.form.SetText(kProbeDiameter, input.text);
        cell.Click();
        ASSERT_FALSE(cell.escaped);
        EXPECT_EQ(cell.form.Items(kPointList).size(), 2u);
        ExpectSoundList(cell, 1);
        if (!input.value) {
            // Fails at the first entry, before anything is drawn for it.
            EXPECT_EQ(cell.form.Caption(kStatusLine), kCadLinkReport);
            EXPECT_TRUE(cell.form.messages.empty());
            EXPECT_TRUE(Added(cell).empty());
        } else if (*input.value == 0) {
            // Warned, then refused by the CAD application.
            EXPECT_EQ(cell.form.messages, (std::vector<std::wstring>{TextOf(ReportText::BadProbeRadius)}));
            EXPECT_EQ(cell.form.Caption(kStatusLine), kCadLinkReport);
            EXPECT_TRUE(Added(cell).empty());
        } else {
            EXPECT_EQ(cell.form.Caption(kStatusLine), kMachine);
            EXPECT_TRUE(cell.form.messages.empty());
            EXPECT_EQ(Radii(Added(cell)), std::vector<double>(2, *input.value / 2));
        }
    }
}

TEST(BadInput, Tolerance)
{
    for (const auto& input : NumberInputs()) {
        SCOPED_TRACE(input.name);
        Settings s = Request(kSphereTolerance, {L"F4"}); // far from the part
        s.tolerance = input.text;
        Cell cell(s);
        TypeProbeDiameter(cell, input.separator);
        cell.Click();
        ASSERT_FALSE(cell.escaped);
        ExpectSoundList(cell, 3);
        if (!input.value) {
            EXPECT_EQ(cell.form.messages, (std::vector<std::wstring>{kPartGroupReport}));
            EXPECT_TRUE(Added(cell).empty());
        } else {
            const double t = *input.value;
            EXPECT_TRUE(cell.form.messages.empty());
            EXPECT_EQ(Radii(Added(cell)), (std::vector<double>{2.5 + t, 2.5 - t, 2.5}));
        }
    }
}

TEST(BadInput, Shift)
{
    const std::vector<std::array<double, 3>> f3 = {{10, 20, 5}, {12, 21, 6}};
    for (int axis = 0; axis < 3; ++axis) {
        for (const auto& input : NumberInputs()) {
            SCOPED_TRACE(std::string(input.name) + ", axis " + std::to_string(axis));
            Settings s = Request(kCircles);
            s.shift[axis] = input.text;
            Cell cell(s);
            TypeProbeDiameter(cell, input.separator);
            cell.Click();
            ASSERT_FALSE(cell.escaped);
            // An empty box is no shift; any other text that is not a number shows the
            // collection message once per point and leaves that coordinate unshifted.
            const bool fails = !input.value && !input.text.empty();
            const double shift = input.value.value_or(0);
            std::vector<std::wstring> list1;
            for (auto p : f3) {
                p[axis] += shift;
                list1.push_back(FormatEntry(L"F3", p[0], p[1], p[2], input.separator));
            }
            EXPECT_EQ(cell.form.Items(kPointList), list1);
            EXPECT_EQ(cell.form.label2History,
                      fails ? (std::vector<std::wstring>{kMachine, kMachine, kCollectionReport, kCollectionReport})
                            : (std::vector<std::wstring>{kMachine, kMachine}));
            EXPECT_EQ(Added(cell).size(), 2u);
            ExpectSoundList(cell, 1);
        }
    }
}

sim::SimCommand Feature(std::wstring id, std::vector<std::array<double, 3>> points)
{
    sim::SimCommand command;
    command.id = std::move(id);
    command.points = std::move(points);
    return command;
}

// Feature IDs are listed unchanged; the entry parse then decides: the first comma ends
// the ID, so most IDs with a comma fail at plotting (the CAD link report, earlier spheres stay).
TEST(BadInput, FeatureIdsFromTheMeasuringApplication)
{
    struct Case {
        const char* name;
        std::wstring id;
        std::vector<std::wstring> hyperlinks; // of the spheres drawn for F1, the ID, F3
        std::wstring label2;
    };
    const std::wstring longId = L"F" + std::wstring(10000, L'1');
    std::wstring yz = L"F1";
    for (int i = 0; i < 5000; ++i)
        yz += L"YZ";
    const Case cases[] = {
        {"comma inside", L"F1,2", {L"F1"}, kCadLinkReport},
        {"looks like an entry", L"F,X=1 Y=2 Z=3", {L"F1"}, kCadLinkReport},
        {"trailing comma: the ID loses it", L"F9,", {L"F1", L"F9", L"F3"}, kMachine},
        {"10,001 characters", longId, {L"F1", longId, L"F3"}, kMachine},
        {"10,002 characters of Y and Z", yz, {L"F1", yz, L"F3"}, kMachine},
        {"non-ASCII", L"F1\u00E9\u4E2D", {L"F1", L"F1\u00E9\u4E2D", L"F3"}, kMachine},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPartProgram program;
        program.commands = {Feature(L"F1", {{1, 2, 3}}), Feature(c.id, {{10, 20, 5}}), Feature(L"F3", {{12, 21, 6}})};
        Cell cell(Request(kSpheres, {L"F1", c.id, L"F3"}), program);
        cell.Click();
        ASSERT_FALSE(cell.escaped);
        EXPECT_EQ(cell.form.Items(kPointList),
                  (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3", c.id + L",X=10 Y=20 Z=5", L"F3,X=12 Y=21 Z=6"}));
        std::vector<std::wstring> hyperlinks;
        for (const auto& e : Added(cell))
            hyperlinks.insert(hyperlinks.end(), e.hyperlinks.begin(), e.hyperlinks.end());
        EXPECT_EQ(hyperlinks, c.hyperlinks);
        EXPECT_EQ(cell.form.Caption(kStatusLine), c.label2);
    }
}

TEST(BadInput, EmptyFeatureIds)
{
    sim::SimPartProgram program;
    program.commands = {Feature(L"", {{9, 9, 9}}), Feature(L"F1", {{1, 2, 3}})};
    Cell cell(Request(kCircles, {L"", L"F1"}), program);
    // The load keeps no empty ID; an empty entry put into List2 is passed over.
    EXPECT_EQ(cell.form.Items(kFeatureList), (std::vector<std::wstring>{L"F1"}));
    cell.form.ListAppend(kFeatureList, L"");
    cell.form.Select(kFeatureList, 1);
    cell.Click();
    EXPECT_EQ(cell.form.Items(kPointList), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3"}));
    EXPECT_EQ(cell.form.label2History, (std::vector<std::wstring>{kMachine, kMachine}));
    EXPECT_EQ(Added(cell).size(), 1u);
}

// A point that is not finite, or a shift that would make it so, never reaches List1
// as such: the point is dropped, or the change is not made, with the message.
TEST(BadInput, CoordinatesThatAreNotFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double max = std::numeric_limits<double>::max();
    struct Case {
        const char* name;
        std::array<double, 3> point;
        std::array<std::wstring, 3> shift;
        std::vector<std::wstring> list1;
        std::size_t messages;
    };
    // Point 1 is read twice, as the start point and for its entry: each read fails.
    const Case cases[] = {
        {"NaN y", {1, nan, 2}, {}, {}, 2},
        {"infinite z", {1, 2, inf}, {}, {}, 2},
        {"-infinite x", {-inf, 2, 3}, {}, {}, 2},
        {"shift overflows", {1e308, 2, 3}, {L"1e308", L"", L""}, {L"F1,X=1E+308 Y=2 Z=3"}, 1},
        {"largest double", {max, -max, 2}, {}, {L"F1,X=1.79769313486231E+308 Y=-1.79769313486231E+308 Z=2"}, 0},
        {"smallest subnormal", {4.9e-324, 0, 0}, {}, {L"F1,X=4.94065645841247E-324 Y=0 Z=0"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimPartProgram program;
        program.commands = {Feature(L"F1", {c.point})};
        Settings s = Request(kCircles, {L"F1"});
        s.shift = c.shift;
        Cell cell(s, program);
        cell.Click();
        ASSERT_FALSE(cell.escaped);
        EXPECT_EQ(cell.form.Items(kPointList), c.list1);
        std::size_t messages = 0;
        for (const auto& caption : cell.form.label2History)
            messages += caption == kCollectionReport;
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(Added(cell).size(), c.list1.size());
        ExpectSoundList(cell, 1);
    }
}

} // namespace
} // namespace tessaly::test::sweep
