#include "action/collect.h"

#include <limits>

#include "action/report.h"
#include "action/send_to_acad.h"
#include "support/call_model.h"
#include "support/cell_fixture.h"

namespace tessaly::test {
namespace {

class CollectTest : public CellTest {
protected:
    CollectTest()
    {
        SetFeatures({Feature(L"F1", {{1, 2, 3}}), Feature(L"F3", {{10, 20, 5}, {12, 21, 6}}),
                     Feature(L"F4", {{-1, -2, -3}, {4, 5, 6}, {7, 8, 9}})});
    }
    // The link stage of the action, then collection.
    SplineData Collect()
    {
        state.dmisApp = dmis.CreateApplication();
        state.dmisMachine = state.dmisApp->MachineAt(1);
        log.Clear();
        return CollectFeatures(form, state, L'.');
    }
    static const std::wstring kFailure;
};

const std::wstring CollectTest::kFailure = TextOf(ReportText::Collection);

TEST_F(CollectTest, TypicalRequestMirrorsY)
{
    LoadAndSelect({L"F3"});
    form.SetCheck(kMirror[1], kChecked);
    form.SetCheck(kCreateSpline, kChecked);
    SplineData spline = Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F3,X=10 Y=-20 Z=5", L"F3,X=12 Y=-21 Z=6"}));
    EXPECT_EQ(spline.fitPoints, (std::vector<double>{10, -20, 5, 12, -21, 6}));
    EXPECT_EQ(spline.startTangent, (cad::Point3{10, -20, 5}));
    EXPECT_EQ(spline.endTangent, (cad::Point3{12, -21, 6}));
}

TEST_F(CollectTest, WorkedExampleInBothDepthModes)
{
    LoadAndSelect({L"F3"});
    form.SetText(kShift[0], L"1.5");
    form.SetCheck(kMirror[1], kChecked);
    form.SetCheck(kChangeDepth[2], kChecked);
    form.SelectOption(ControlId::Option4);
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F3,X=11.5 Y=-20 Z=5", L"F3,X=13.5 Y=-21 Z=5"}));
    form.SelectOption(kDepthZero);
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F3,X=11.5 Y=-20 Z=0", L"F3,X=13.5 Y=-21 Z=0"}));
}

TEST_F(CollectTest, ShiftComesBeforeMirrorAndStartPointIsPerEntry)
{
    LoadAndSelect({L"F1", L"F3"});
    form.SetText(kShift[0], L"5");
    form.SetText(kShift[2], L"-2");
    form.SetCheck(kMirror[0], kChecked);
    form.SetCheck(kChangeDepth[0], kChecked);
    form.SetCheck(kChangeDepth[1], kChecked);
    form.SelectOption(ControlId::Option4);
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=-6 Y=2 Z=1", L"F3,X=-15 Y=20 Z=3", L"F3,X=-15 Y=20 Z=4"}));
}

TEST_F(CollectTest, GreyedCheckBoxesCountAsClear)
{
    LoadAndSelect({L"F1"});
    for (ControlId box :
         {kChangeDepth[0], kChangeDepth[1], kChangeDepth[2], kCreateSpline, kMirror[0], kMirror[1], kMirror[2]})
        form.SetCheck(box, kGrayed);
    SplineData spline = Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3"}));
    EXPECT_TRUE(spline.fitPoints.empty());
}

TEST_F(CollectTest, EntriesInListOrderOnlySelectedOnce)
{
    LoadAndSelect({L"F4", L"F1"});
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3", L"F4,X=-1 Y=-2 Z=-3", L"F4,X=4 Y=5 Z=6",
                                                  L"F4,X=7 Y=8 Z=9"}));
    EXPECT_EQ(Label2(), L"CMM-1");
    form.SelectFeatures({});
    Collect();
    EXPECT_TRUE(List1().empty());
}

TEST_F(CollectTest, MissingIdReportsAndTheNextEntryRestoresTheMachineName)
{
    LoadAndSelect({L"F1", L"F3"});
    dmis.program->commands.erase(dmis.program->commands.begin()); // F1 no longer exists
    form.SetText(kPlotFeature, L"");
    Collect();
    EXPECT_EQ(form.label2History, (std::vector<std::wstring>{kFailure, L"CMM-1"}));
    EXPECT_EQ(List1().size(), 2u);
}

TEST_F(CollectTest, CommandWithoutDefaultValueIsSkippedSilently)
{
    dmis.program->commands[0].defaultValue = L"";
    LoadAndSelect({L"F1", L"F3"});
    Collect();
    EXPECT_EQ(List1().size(), 2u);
    EXPECT_EQ(form.label2History, (std::vector<std::wstring>{L"CMM-1", L"CMM-1"}));
}

TEST_F(CollectTest, NoPartProgramCollectsNothing)
{
    LoadAndSelect({L"F1", L"F3"});
    state.dmisApp = dmis.CreateApplication();
    state.dmisMachine = state.dmisApp->MachineAt(1);
    dmis.program.reset();
    CollectFeatures(form, state, L'.');
    EXPECT_TRUE(List1().empty());
    EXPECT_EQ(form.label2History, (std::vector<std::wstring>{kFailure, kFailure, kFailure}));
}

TEST_F(CollectTest, FailingMachineNameShowsTheMessageAndTheEntryIsCollected)
{
    LoadAndSelect({L"F1"});
    state.dmisApp = dmis.CreateApplication();
    state.dmisMachine = state.dmisApp->MachineAt(1);
    log.FailOn("MachineName");
    CollectFeatures(form, state, L'.');
    EXPECT_EQ(Label2(), kFailure);
    EXPECT_EQ(List1().size(), 1u);
}

TEST_F(CollectTest, ShiftTextsThatAreNotNumbersLeaveThatCoordinate)
{
    LoadAndSelect({L"F1"});
    form.SetText(kShift[0], L"  ");
    form.SetText(kShift[1], L"1,5"); // the other locale's separator
    form.SetText(kShift[2], L"1e999");
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3"}));
    EXPECT_EQ(form.label2History, (std::vector<std::wstring>{L"CMM-1", kFailure, kFailure, kFailure}));
}

TEST_F(CollectTest, NonFiniteCoordinatesAreNeverListed)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    SetFeatures({Feature(L"F1", {{nan, 1, 2}, {inf, 1, 2}, {1, 2, 3}})});
    LoadAndSelect({L"F1"});
    form.SetCheck(kCreateSpline, kChecked);
    const SplineData spline = Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3"}));
    EXPECT_EQ(Label2(), kFailure);
    // Nor do they shape the spline.
    EXPECT_EQ(spline.fitPoints, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(spline.startTangent, (cad::Point3{1, 2, 3}));
    EXPECT_EQ(spline.endTangent, (cad::Point3{1, 2, 3}));
}

// The spline runs through the points that were read, in order, between the first and the
// last of them; an entry whose points all fail leaves it empty, never the last entry's.
TEST_F(CollectTest, SplineHoldsOnlyThePointsThatWereRead)
{
    struct Case {
        const char* name;
        std::vector<int> failingGetPoints; // counted from F1's
        std::vector<double> fitPoints;
        cad::Point3 start, end;
    };
    const Case cases[] = {
        {"point 2 of F4", {3}, {-1, -2, -3, 7, 8, 9}, {-1, -2, -3}, {7, 8, 9}},
        {"point 1 of F4", {2}, {4, 5, 6, 7, 8, 9}, {4, 5, 6}, {7, 8, 9}},
        {"point 3 of F4", {4}, {-1, -2, -3, 4, 5, 6}, {-1, -2, -3}, {4, 5, 6}},
        {"every point of F4", {2, 3, 4}, {}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.ListClear(kFeatureList);
        LoadAndSelect({L"F1", L"F4"});
        form.SetCheck(kCreateSpline, kChecked);
        state.dmisApp = dmis.CreateApplication();
        state.dmisMachine = state.dmisApp->MachineAt(1);
        log.ClearFailures();
        for (int occurrence : c.failingGetPoints)
            log.FailOn("GetPoint", occurrence);
        const SplineData spline = CollectFeatures(form, state, L'.');
        EXPECT_EQ(spline.fitPoints, c.fitPoints);
        EXPECT_EQ(spline.startTangent, c.start);
        EXPECT_EQ(spline.endTangent, c.end);
    }
}

// A point 1 that is not finite is no start point: nothing it holds is written back.
TEST_F(CollectTest, NonFiniteStartPointIsNeverWrittenBack)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SetFeatures({Feature(L"F1", {{1, 2, nan}, {4, 5, 6}})});
    LoadAndSelect({L"F1"});
    form.SetCheck(kChangeDepth[2], kChecked);
    form.SelectOption(ControlId::Option4);
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=4 Y=5 Z=6"}));
    EXPECT_EQ(log.CountOf("Z="), 0u);
}

TEST_F(CollectTest, UnreadablePointOneLeavesLaterPointsUnchangedInStartPointMode)
{
    LoadAndSelect({L"F1", L"F4"});
    form.SetCheck(kChangeDepth[2], kChecked);
    form.SelectOption(ControlId::Option4);
    state.dmisApp = dmis.CreateApplication();
    state.dmisMachine = state.dmisApp->MachineAt(1);
    log.FailOn("GetPoint", 2); // point 1 of F4
    CollectFeatures(form, state, L'.');
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F1,X=1 Y=2 Z=3", L"F4,X=4 Y=5 Z=6", L"F4,X=7 Y=8 Z=9"}));
}

TEST_F(CollectTest, EachPointCallsExactlyWhatItNeeds)
{
    LoadAndSelect({L"F1"});
    form.SetText(kShift[0], L"1");
    form.SetCheck(kMirror[1], kChecked);
    Collect();
    PointChanges changes;
    changes.shift[0] = changes.mirror[1] = true;
    EXPECT_EQ(log.Calls(), Operations(CollectionCalls(changes, {1})));
    ASSERT_EQ(dmis.getPointCalls.size(), 1u);
    const auto& args = dmis.getPointCalls[0];
    EXPECT_EQ(args.index, 1);
    EXPECT_EQ(args.a, 12);
    EXPECT_EQ(args.b, 3);
    EXPECT_EQ(args.c, 13);
    EXPECT_EQ(args.text, L"");
    EXPECT_EQ(args.d, 0);
}

TEST_F(CollectTest, SplineDataIsTheLastEntrys)
{
    LoadAndSelect({L"F4", L"F3"}); // F4 comes later in List2
    form.SetCheck(kCreateSpline, kChecked);
    SplineData spline = Collect();
    EXPECT_EQ(spline.fitPoints, (std::vector<double>{-1, -2, -3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(spline.startTangent, (cad::Point3{-1, -2, -3}));
    EXPECT_EQ(spline.endTangent, (cad::Point3{7, 8, 9}));
}

TEST_F(CollectTest, PointCountsBeyondTheListFail)
{
    SetFeatures({Feature(L"F1", {{1, 2, 3}}), Feature(L"F2", {{4, 5, 6}})});
    dmis.program->commands[0].pointCountOverride = 32768;
    LoadAndSelect({L"F1", L"F2"});
    Collect();
    EXPECT_EQ(List1(), (std::vector<std::wstring>{L"F2,X=4 Y=5 Z=6"}));
    EXPECT_EQ(form.label2History, (std::vector<std::wstring>{L"CMM-1", kFailure, L"CMM-1"}));
}

TEST_F(CollectTest, SplineOfTooManyPointsOverflowsButThePointsAreListed)
{
    SetFeatures({Feature(L"F1", std::vector<std::array<double, 3>>(11000, {1, 2, 3}))});
    LoadAndSelect({L"F1"});
    form.SetCheck(kCreateSpline, kChecked);
    SplineData spline = Collect();
    EXPECT_EQ(List1().size(), 11000u);
    EXPECT_TRUE(spline.fitPoints.empty());
    EXPECT_EQ(Label2(), kFailure);
}

TEST_F(CollectTest, AFullPointListRefusesFurtherPoints)
{
    SetFeatures({Feature(L"F1", std::vector<std::array<double, 3>>(32767, {1, 2, 3})),
                 Feature(L"F2", {{4, 5, 6}, {7, 8, 9}, {1, 1, 1}})});
    LoadAndSelect({L"F1", L"F2"});
    Collect();
    EXPECT_EQ(List1().size(), 32767u);
    EXPECT_EQ(List1().back(), L"F1,X=1 Y=2 Z=3");
    EXPECT_EQ(Label2(), kFailure);
    // F2's first point is refused; the later ones would go nowhere, so they are not read.
    EXPECT_EQ(log.CountOf("GetPoint"), 32768u);

    // Recorded for the spline, they are read all the same.
    form.SetCheck(kCreateSpline, kChecked);
    const SplineData spline = Collect();
    EXPECT_EQ(log.CountOf("GetPoint"), 32770u);
    EXPECT_EQ(spline.fitPoints, (std::vector<double>{4, 5, 6, 7, 8, 9, 1, 1, 1}));
    EXPECT_EQ(Label2(), kFailure);
}

TEST_F(CollectTest, LinkFailureAtSendToAcadKeepsTheLastPointList)
{
    LoadAndSelect({L"F1"});
    SendToAcad(form, state, dmis, cad, L'.');
    ASSERT_EQ(List1().size(), 1u);
    dmis.installed = false;
    const std::size_t drawn = cad.entities.size();
    SendToAcad(form, state, dmis, cad, L'.');
    EXPECT_EQ(Label2(), TextOf(ReportText::DmisLink));
    EXPECT_EQ(List1().size(), 1u);
    EXPECT_EQ(cad.entities.size(), drawn);
}

} // namespace
} // namespace tessaly::test
