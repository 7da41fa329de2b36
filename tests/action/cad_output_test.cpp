#include "action/cad_output.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "action/lookup.h"
#include "action/report.h"
#include "action/send_to_acad.h"
#include "support/cell_fixture.h"

namespace tessaly::test {
namespace {

using sim::EntityKind;

// The message of a row found in the h table: "h=" and the row's number.
std::wstring H(const wchar_t* number)
{
    return TextOf(ReportText::H) + std::wstring(number);
}

class CadOutputTest : public CellTest {
protected:
    CadOutputTest()
    {
        SetFeatures({Feature(L"F1", {{100, 100, 100}}), Feature(L"F3", {{10, 20, 5}, {12, 21, 6}}),
                     Feature(L"F12", {{10.5, -3.25, 0}})});
        // The part: a 20 x 20 x 10 box touching the origin.
        const int box = cad.AddBox({0, 0, -10}, {20, 20, 0});
        cad.groups[L"PART"] = {box};
        cadEntitiesBefore = cad.entities.size();
    }
    void Send() { SendToAcad(form, state, dmis, cad, L'.'); }
    // The entities the action added, in order.
    std::vector<sim::SimEntity> Added() const
    {
        return {cad.entities.begin() + static_cast<std::ptrdiff_t>(cadEntitiesBefore), cad.entities.end()};
    }
    std::size_t cadEntitiesBefore = 0;
};

TEST_F(CadOutputTest, TypicalRequestDrawsTwoSpheresWithHyperlinksAndTheSpline)
{
    LoadAndSelect({L"F3"});
    form.SetCheck(kMirror[1], kChecked);
    form.SetCheck(kCreateSpline, kChecked);
    form.SelectOption(kSpheres);
    Send();
    EXPECT_TRUE(cad.visible);
    auto added = Added();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0].kind, EntityKind::Sphere);
    EXPECT_EQ(added[0].centre, (cad::Point3{10, -20, 5}));
    EXPECT_EQ(added[0].radius, 2.5);
    EXPECT_EQ(added[0].hyperlinks, (std::vector<std::wstring>{L"F3"}));
    EXPECT_EQ(added[0].updates, 1);
    EXPECT_EQ(added[1].centre, (cad::Point3{12, -21, 6}));
    EXPECT_EQ(added[1].hyperlinks, (std::vector<std::wstring>{L"F3"}));
    EXPECT_EQ(added[2].kind, EntityKind::Spline);
    EXPECT_EQ(added[2].fitPoints, (std::vector<double>{10, -20, 5, 12, -21, 6}));
    EXPECT_EQ(added[2].startTangent, (cad::Point3{10, -20, 5}));
    EXPECT_EQ(added[2].endTangent, (cad::Point3{12, -21, 6}));
    EXPECT_EQ(added[2].updates, 1);
    EXPECT_EQ(state.probeRadius, 2.5);
    EXPECT_TRUE(form.messages.empty());
    EXPECT_EQ(log.CountOf("Groups"), 0u);
    // Model space is fetched anew for every add.
    EXPECT_EQ(log.CountOf("ModelSpace"), 3u);
}

TEST_F(CadOutputTest, CirclesAreKeptAsLastCircleAndCarryNoHyperlink)
{
    LoadAndSelect({L"F3"});
    Send();
    auto added = Added();
    ASSERT_EQ(added.size(), 2u);
    for (const auto& circle : added) {
        EXPECT_EQ(circle.kind, EntityKind::Circle);
        EXPECT_EQ(circle.radius, 2.5);
        EXPECT_TRUE(circle.hyperlinks.empty());
        EXPECT_EQ(circle.updates, 1);
    }
    EXPECT_TRUE(state.lastCircle);
}

TEST_F(CadOutputTest, BadProbeRadiusWarnsBelowOneThousandthOnly)
{
    LoadAndSelect({L"F3"});
    form.SetText(kProbeDiameter, L"0.0015");
    Send();
    EXPECT_EQ(form.messages,
              (std::vector<std::wstring>{TextOf(ReportText::BadProbeRadius), TextOf(ReportText::BadProbeRadius)}));
    ASSERT_EQ(Added().size(), 2u);
    EXPECT_EQ(Added()[1].radius, 0.00075);

    form.messages.clear();
    form.SetText(kProbeDiameter, L"0.002");
    Send();
    EXPECT_TRUE(form.messages.empty());
    EXPECT_EQ(state.probeRadius, 0.001);
}

TEST_F(CadOutputTest, ProbeDiameterThatIsNotANumberGoesToTheArmedReport)
{
    LoadAndSelect({L"F3"});
    form.SetText(kProbeDiameter, L"");
    Send();
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    EXPECT_TRUE(Added().empty());
    form.SelectOption(kSphereTolerance);
    form.SetText(kProbeDiameter, L"abc");
    Send();
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{TextOf(ReportText::PartGroup)}));
}

TEST_F(CadOutputTest, NoCadApplicationOrNoDrawing)
{
    LoadAndSelect({L"F3"});
    cad.running = false;
    Send();
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    EXPECT_TRUE(form.messages.empty());
    EXPECT_EQ(List1().size(), 2u);

    cad.running = true;
    cad.hasDocument = false;
    form.SelectOption(kSphereTolerance);
    Send();
    EXPECT_TRUE(cad.visible); // made visible although the action fails afterwards
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    EXPECT_TRUE(form.messages.empty());
    EXPECT_TRUE(Added().empty());
}

TEST_F(CadOutputTest, ToleranceWithoutPartGroupShowsTheMessageBox)
{
    LoadAndSelect({L"F3"});
    cad.groups.clear();
    form.SelectOption(kSphereTolerance);
    form.SetText(kTolerance, L"0.1");
    Send();
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{TextOf(ReportText::PartGroup)}));
    EXPECT_TRUE(Added().empty());

    // Without "Sphere Tolerance" no group is looked up.
    form.SelectOption(kSpheres);
    Send();
    EXPECT_EQ(Added().size(), 2u);
}

TEST_F(CadOutputTest, PartGroupWhoseFirstEntityIsNotASolid)
{
    sim::SimEntity circle;
    circle.kind = EntityKind::Circle;
    circle.radius = 1;
    cad.groups[L"PART"] = {cad.AddEntity(circle)};
    cadEntitiesBefore = cad.entities.size();
    LoadAndSelect({L"F3"});
    form.SelectOption(kSphereTolerance);
    form.SetText(kTolerance, L"0.5");
    Send();
    ASSERT_EQ(Added().size(), 1u); // the first point's outer sphere
    EXPECT_EQ(Added()[0].radius, 3.0);
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{TextOf(ReportText::PartGroup)}));
}

// Another program clicks "Sphere Tolerance" during the action, after the CAD link: no PART
// solid was looked up, so the entry fails into the report armed at the link.
TEST_F(CadOutputTest, ToleranceChosenAfterTheLinkFailsIntoTheLinkReport)
{
    LoadAndSelect({L"F3"});
    form.SetText(kTolerance, L"0.5");
    log.onArrival = [&](std::size_t) {
        if (log.CountOf("ModelSpace") == 1)
            form.SelectOption(kSphereTolerance);
    };
    Send();
    log.onArrival = nullptr;
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    EXPECT_TRUE(form.messages.empty());
    ASSERT_EQ(Added().size(), 2u); // the first point's circle, then the second's outer sphere
    EXPECT_EQ(Added()[0].kind, EntityKind::Circle);
    EXPECT_EQ(Added()[1].radius, 3.0);
}

TEST_F(CadOutputTest, ToleranceOutcomes)
{
    LoadAndSelect({L"F1"});
    form.SelectOption(kSphereTolerance);
    form.SetText(kTolerance, L"0.5");

    // Far from the part: red outer, uncoloured inner, red probe; no "h=".
    Send();
    auto added = Added();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0].radius, 3.0);
    EXPECT_TRUE(added[0].outer);
    EXPECT_EQ(added[0].color, cad::kRed);
    EXPECT_EQ(added[0].updates, 0);
    EXPECT_EQ(added[1].radius, 2.0);
    EXPECT_EQ(added[1].color, cad::kColorByBlock);
    EXPECT_EQ(added[2].radius, 2.5);
    EXPECT_EQ(added[2].color, cad::kRed);
    EXPECT_EQ(added[2].updates, 1);
    EXPECT_TRUE(form.messages.empty());

    // Outer sphere overlaps: green outer, its interference solid deleted, green probe,
    // and the table lookup's 1000 messages "h=0".
    dmis.program->commands[0].points = {{10, 10, 2.8}};
    cadEntitiesBefore = cad.entities.size();
    Send();
    std::vector<sim::SimEntity> drawn;
    for (const auto& e : Added())
        if (!e.deleted)
            drawn.push_back(e);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].color, cad::kGreen);
    EXPECT_EQ(drawn[1].radius, 2.5);
    EXPECT_EQ(drawn[1].color, cad::kGreen);
    ASSERT_EQ(form.messages.size(), 1000u);
    EXPECT_EQ(form.messages.front(), H(L"0"));
    for (const auto& e : Added())
        EXPECT_EQ(e.kind == EntityKind::Interference, e.deleted);

    // Negative tolerance: the outer sphere misses, the inner one overlaps.
    form.messages.clear();
    form.SetText(kTolerance, L"-0.5");
    dmis.program->commands[0].points = {{10, 10, 2.2}};
    cadEntitiesBefore = cad.entities.size();
    Send();
    drawn.clear();
    for (const auto& e : Added())
        if (!e.deleted)
            drawn.push_back(e);
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].color, cad::kRed);
    EXPECT_EQ(drawn[1].color, cad::kColorByBlock);
    EXPECT_EQ(drawn[2].color, cad::kGreen);
    EXPECT_TRUE(form.messages.empty());
}

// A volume that is no finite number is a failed read of the interference: the PART
// report, never a silent green.
TEST_F(CadOutputTest, NonFiniteVolumeFailsIntoThePartReport)
{
    LoadAndSelect({L"F1"});
    form.SelectOption(kSphereTolerance);
    form.SetText(kTolerance, L"0.5");
    dmis.program->commands[0].points = {{10, 10, 2.8}};
    for (const sim::OddAnswer odd : {sim::OddAnswer::NaN, sim::OddAnswer::Infinity}) {
        log.Clear();
        form.messages.clear();
        Send();
        const auto volume = std::find(log.Calls().begin(), log.Calls().end(), "Volume");
        ASSERT_NE(volume, log.Calls().end());
        const std::size_t at = static_cast<std::size_t>(volume - log.Calls().begin()) + 1;
        log.Clear();
        log.OddAt(at, odd);
        form.messages.clear();
        Send();
        EXPECT_EQ(form.messages, (std::vector<std::wstring>{TextOf(ReportText::PartGroup)}));
    }
}

TEST_F(CadOutputTest, ToleranceNotANumberFailsBeforeTheOuterSphere)
{
    LoadAndSelect({L"F1"});
    form.SelectOption(kSphereTolerance);
    form.SetText(kTolerance, L"");
    Send();
    EXPECT_TRUE(Added().empty());
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{TextOf(ReportText::PartGroup)}));
}

TEST_F(CadOutputTest, SplineOnlyWhenCheckedAndOfTheLastFeature)
{
    LoadAndSelect({L"F1", L"F3"});
    form.SelectOption(kSpheres);
    Send();
    EXPECT_EQ(log.CountOf("AddSpline"), 0u);
    form.SetCheck(kCreateSpline, kChecked);
    cadEntitiesBefore = cad.entities.size();
    Send();
    auto added = Added();
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(added[3].kind, EntityKind::Spline);
    EXPECT_EQ(added[3].fitPoints, (std::vector<double>{10, 20, 5, 12, 21, 6}));
    EXPECT_EQ(added[3].startTangent, (cad::Point3{10, 20, 5}));
    EXPECT_EQ(added[3].endTangent, (cad::Point3{12, 21, 6}));
}

TEST_F(CadOutputTest, EmptyPointListDrawsNothingAndStillAsksForTheSpline)
{
    LoadAndSelect({});
    form.SetCheck(kCreateSpline, kChecked);
    Send();
    EXPECT_EQ(log.CountOf("AddSpline"), 1u);
    // The CAD application refuses a spline without fit points: the CAD link report.
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    EXPECT_TRUE(Added().empty());
}

// Nor does it take a spline of one fit point: the point is drawn, then the report.
TEST_F(CadOutputTest, SplineOfOnePointIsRefusedAfterThePointIsDrawn)
{
    LoadAndSelect({L"F12"});
    form.SetCheck(kCreateSpline, kChecked);
    form.SelectOption(kSpheres);
    Send();
    EXPECT_EQ(log.CountOf("AddSpline"), 1u);
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
    ASSERT_EQ(Added().size(), 1u);
    EXPECT_EQ(Added()[0].kind, EntityKind::Sphere);
}

TEST_F(CadOutputTest, AnEntryThatDoesNotParseEndsThePlotKeepingWhatWasDrawn)
{
    form.ListAppend(kPointList, L"F1,X=1 Y=2 Z=3");
    form.ListAppend(kPointList, L"X=1 Y=2 Z=3");
    form.ListAppend(kPointList, L"F1,X=4 Y=5 Z=6");
    form.SetText(kProbeDiameter, L"2");
    DrawIntoCad(form, state, cad, SplineData{}, L'.');
    EXPECT_EQ(Added().size(), 1u);
    EXPECT_EQ(Label2(), TextOf(ReportText::CadLink));
}

// Every CAD call of a clean run, failed one at a time: the armed report shows, what
// was drawn before stays, and the next click works again.
TEST_F(CadOutputTest, FailureAtEveryCadCallRunsTheArmedReport)
{
    for (ControlId mode : {kCircles, kSpheres, kSphereTolerance}) {
        LoadAndSelect({L"F1", L"F3"});
        form.SelectOption(mode);
        form.SetCheck(kCreateSpline, kChecked);
        form.SetText(kTolerance, L"0.5");
        log.Clear();
        Send();
        const std::vector<std::string> clean = log.Calls();
        const std::size_t cadFirst = std::find(clean.begin(), clean.end(), "GetRunningApplication") - clean.begin();
        ASSERT_LT(cadFirst, clean.size());
        const bool tolerance = mode == kSphereTolerance;
        const std::size_t groupsAt = std::find(clean.begin(), clean.end(), "Groups") - clean.begin();
        for (std::size_t k = cadFirst + 1; k <= clean.size(); ++k) {
            form.messages.clear();
            form.label2History.clear();
            log.Clear();
            log.FailAt(k);
            const std::size_t before = cad.entities.size();
            Send();
            const bool partGroup = tolerance && k > groupsAt;
            if (partGroup)
                EXPECT_EQ(form.messages.back(), TextOf(ReportText::PartGroup)) << clean[k - 1];
            else
                EXPECT_EQ(Label2(), TextOf(ReportText::CadLink)) << clean[k - 1];
            // Calls after the failing one never reach the CAD application.
            EXPECT_EQ(log.Count(), k) << clean[k - 1];
            for (std::size_t e = before; e < cad.entities.size(); ++e)
                EXPECT_TRUE(!cad.entities[e].deleted || cad.entities[e].kind == EntityKind::Interference);
        }
        log.Clear();
        Send();
        EXPECT_EQ(log.Calls(), clean);
        form.ListClear(kFeatureList);
    }
}

TEST(LookupH, ThresholdChoosesTheHalfAndTheLastMatchWins)
{
    sim::MemoryForm form;
    auto table = std::make_unique<HTable>();
    for (std::size_t i = 1; i <= 2000; ++i) {
        (*table)[i][1] = static_cast<double>(i);
        (*table)[i][2] = 1e9; // matches nothing
    }
    EXPECT_EQ(LookupH(0.654375, *table, form, L'.'), 0);
    EXPECT_TRUE(form.messages.empty());

    (*table)[5][2] = 0.1;
    (*table)[700][2] = 0.6;
    (*table)[1500][2] = 0.1;
    EXPECT_EQ(LookupH(0.654375, *table, form, L'.'), 700);
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{H(L"5"), H(L"700")}));
    form.messages.clear();
    // The next double above the threshold takes the other half: the comparison is made
    // in double precision in every build (an x87 build compared in 80 bits).
    EXPECT_EQ(LookupH(std::nextafter(0.654375, 1.0), *table, form, L'.'), 1500);
    EXPECT_EQ(form.messages, (std::vector<std::wstring>{H(L"1500")}));
}

TEST(LookupH, TheProgramsTableIsZerosAndShowsOneThousandMessages)
{
    sim::MemoryForm form;
    EXPECT_EQ(LookupH(1.0, hTable(), form, L'.'), 0);
    EXPECT_EQ(form.messages.size(), 1000u);
    EXPECT_EQ(form.messages.back(), H(L"0"));
    form.messages.clear();
    EXPECT_EQ(LookupH(-1.0, hTable(), form, L'.'), 0);
    EXPECT_TRUE(form.messages.empty());
}

} // namespace
} // namespace tessaly::test
