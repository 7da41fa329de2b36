// Every automation call of a clean "Send To Acad" answered oddly in turn, in each odd
// way: the call succeeds, and its result is nothing, text, NaN, an infinity, a null
// object, an object whose value is itself, or its own answer by reference, as the COM
// binding hands it to the action. A run is right when no exception leaves the action,
// nothing that is not finite is written into the drawing, a drawing other than the clean
// run's comes with a failure report (unless the odd answer is one the conversion reads
// as a legitimate value), an answer by reference gives the clean run, and the next click
// gives the clean result again.
#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <optional>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "action/report.h"
#include "base/error.h"
#include "sweep/sweep_cell.h"

namespace tessaly::test::sweep {
namespace {

using sim::OddAnswer;

struct Kind {
    OddAnswer how;
    const char* name;
};
const Kind kKinds[] = {{OddAnswer::Empty, "empty"},
                       {OddAnswer::Text, "text"},
                       {OddAnswer::NaN, "NaN"},
                       {OddAnswer::Infinity, "infinity"},
                       {OddAnswer::NoObject, "no object"},
                       {OddAnswer::Itself, "itself"},
                       {OddAnswer::NegativeInfinity, "-infinity"},
                       {OddAnswer::ByReference, "by reference"}};

// The odd answers as the action receives them, per result type (none: Error); any
// other call keeps its answer.
TEST(OddAnswer, ReachesTheActionAsTheBindingConvertsIt)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        std::optional<double> number;
        std::optional<std::int32_t> whole;
        std::optional<std::wstring> text;
        bool none;   // read as "no object" where that is an answer
        bool object; // the object itself
    };
    const Row rows[] = {{0.0, 0, L"", true, false},
                        {{}, {}, L"odd", false, false},
                        {nan, {}, L"NaN", false, false},
                        {inf, {}, L"Infinity", false, false},
                        {{}, {}, {}, true, false},
                        {{}, {}, {}, false, false},
                        {-inf, {}, L"-Infinity", false, false},
                        {1.5, 7, L"t", false, true}};
    for (std::size_t i = 0; i < std::size(kKinds); ++i) {
        SCOPED_TRACE(kKinds[i].name);
        const Row& row = rows[i];
        sim::CallLog log;
        log.OddAt(2, kKinds[i].how);
        const sim::Answer plain = log.Record("A");
        const sim::Answer odd = log.Record("B");
        EXPECT_EQ(plain.Number(1.5), 1.5);
        EXPECT_EQ(plain.Text(L"t"), L"t");
        EXPECT_NE(plain.Object(std::make_unique<int>(1)), nullptr);

        if (row.number) {
            const double got = odd.Number(1.5);
            EXPECT_TRUE(got == *row.number || (std::isnan(got) && std::isnan(*row.number))) << got;
        } else {
            EXPECT_THROW(odd.Number(1.5), Error);
        }
        if (row.whole)
            EXPECT_EQ(odd.WholeNumber(7), *row.whole);
        else
            EXPECT_THROW(odd.WholeNumber(7), Error);
        if (row.text)
            EXPECT_EQ(odd.Text(L"t"), *row.text);
        else
            EXPECT_THROW(odd.Text(L"t"), Error);
        if (row.object) {
            EXPECT_NE(odd.Object(std::make_unique<int>(1)), nullptr);
            EXPECT_NE(odd.ObjectOrNone(std::make_unique<int>(1)), nullptr);
            continue;
        }
        EXPECT_THROW(odd.Object(std::make_unique<int>(1)), Error);
        if (row.none)
            EXPECT_EQ(odd.ObjectOrNone(std::make_unique<int>(1)), nullptr);
        else
            EXPECT_THROW(odd.ObjectOrNone(std::make_unique<int>(1)), Error);
    }
}

// Answers the conversion reads as a value the action may take as given: nothing is 0 or
// "" for a number or text, and nothing or a null object is "no interference".
bool Legitimate(const std::string& call, OddAnswer how)
{
    static const std::set<std::string> kValues = {
        "X", "Y", "Z", "PointCount", "count", "Volume", "DefaultValue", "MachineName", "ID", "GetProbeRadius"};
    if (call == "CheckInterference")
        return how == OddAnswer::Empty || how == OddAnswer::NoObject;
    return how == OddAnswer::Empty && kValues.count(call) > 0;
}

bool Reported(const Cell& cell)
{
    for (const auto& caption : cell.form.label2History)
        if (caption == TextOf(ReportText::DmisLink) || caption.rfind(TextOf(ReportText::Collection), 0) == 0 ||
            caption == TextOf(ReportText::CadLink))
            return true;
    for (const auto& message : cell.form.messages)
        if (message == TextOf(ReportText::PartGroup))
            return true;
    return false;
}

// What this click left in the drawing.
std::vector<std::string> Drawing(const Cell& cell)
{
    std::vector<std::string> drawing;
    for (std::size_t i = static_cast<std::size_t>(cell.base); i < cell.cad.entities.size(); ++i)
        if (!cell.cad.entities[i].deleted)
            drawing.push_back(detail::Describe(cell.cad.entities[i], "drawn", cell.base));
    return drawing;
}

// Every value this click sent to either application (coordinates written back, centres,
// radii, fit points, tangents) is finite.
bool Finite(const Cell& cell)
{
    return cell.log.NonFiniteWrites() == 0;
}

void SweepOddAnswers(const std::string& name, const Settings& s)
{
    Cell cell(s);
    cell.Click();
    ASSERT_FALSE(cell.escaped);
    ASSERT_FALSE(Reported(cell));
    const std::vector<std::string> cleanCalls = cell.log.Calls();
    const std::vector<std::string> cleanTexts = Texts(cell.events);
    const std::vector<std::string> cleanDrawing = Drawing(cell);

    std::ostringstream behavedOfEach;
    for (const Kind& kind : kKinds) {
        std::size_t behaved = 0;
        for (std::size_t k = 1; k <= cleanCalls.size(); ++k) {
            cell.ClickWithOddAnswer(k, kind.how);
            const bool escaped = cell.escaped;
            const bool finite = Finite(cell);
            const bool silent =
                Drawing(cell) != cleanDrawing && !Reported(cell) && !Legitimate(cleanCalls[k - 1], kind.how);
            const bool asClean = kind.how != OddAnswer::ByReference ||
                                 (cell.log.Calls() == cleanCalls && Texts(cell.events) == cleanTexts);
            cell.Click();
            const bool usable = !cell.escaped && cell.log.Calls() == cleanCalls && Texts(cell.events) == cleanTexts;

            const std::string where =
                name + ", call " + std::to_string(k) + " (" + cleanCalls[k - 1] + ") " + kind.name;
            EXPECT_FALSE(escaped) << where << ": an exception left the action";
            EXPECT_TRUE(finite) << where << ": a value that is not finite went to an application";
            EXPECT_FALSE(silent) << where << ": the drawing differs from the clean run's, and no report says so";
            EXPECT_TRUE(usable) << where << ": the next click does not give the clean result";
            EXPECT_TRUE(asClean) << where << ": the right value by reference is not read as that value";
            behaved += !escaped && finite && !silent && usable && asClean;
        }
        behavedOfEach << ", " << kind.name << ' ' << behaved;
    }
    std::cout << "Odd-answer sweep, " << name << ": each of " << cleanCalls.size()
              << " calls answered oddly in each way, runs that behaved" << behavedOfEach.str() << '\n';
}

TEST(OddAnswerSweep, TypicalRequest)
{
    Settings s;
    s.features = {L"F3"};
    s.mirror[1] = true;
    s.spline = true;
    s.mode = kSpheres;
    SweepOddAnswers("typical request (F3, mirror Y, spline, Spheres)", s);
    // Point 1's coordinates written into every point of the entry.
    s.depth[2] = true;
    s.depthToStartPoint = true;
    SweepOddAnswers("typical request with depth Z to the start point", s);
}

// With mirror Y and an outer radius of 2.75, F3's first point touches the PART box, its
// second and F5's three do not.
TEST(OddAnswerSweep, ToleranceTouchingAndClear)
{
    Settings s;
    s.features = {L"F3", L"F5"};
    s.mirror[1] = true;
    s.spline = true;
    s.mode = kSphereTolerance;
    s.tolerance = L"0.25";
    SweepOddAnswers("Sphere Tolerance, F3 and F5, mirror Y, spline", s);
}

} // namespace
} // namespace tessaly::test::sweep
