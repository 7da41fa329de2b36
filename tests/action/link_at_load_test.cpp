#include "action/link_at_load.h"

#include "action/report.h"
#include "support/cell_fixture.h"

namespace tessaly::test {
namespace {

using LinkAtLoadTest = CellTest;

TEST_F(LinkAtLoadTest, FillsMachineNameDiameterAndFeatureIds)
{
    dmis.machineName = L"GLOBAL 7.10.7";
    SetFeatures({Feature(L"F1", {}), Feature(L"A1", {}), Feature(L"F3", {})});
    Load();
    EXPECT_EQ(Label2(), L"GLOBAL 7.10.7");
    EXPECT_EQ(form.GetText(kProbeDiameter), L"5.000000");
    EXPECT_EQ(state.probeRadius, 2.5);
    EXPECT_EQ(form.Items(kFeatureList), (std::vector<std::wstring>{L"F1", L"F3"}));
    ASSERT_TRUE(state.dmisApp);
    ASSERT_TRUE(state.dmisMachine);
}

TEST_F(LinkAtLoadTest, MakesTheCallsInOrderAndFetchesTheProgramAnewPerCommand)
{
    SetFeatures({Feature(L"F1", {}), Feature(L"X2", {})});
    Load();
    EXPECT_EQ(log.Calls(),
              (std::vector<std::string>{"CreateApplication", "MachineAt", "MachineName", "CurrentProgram", "OldBasic",
                                        "GetProbeRadius", "CurrentProgram", "Commands", "count", "CurrentProgram",
                                        "Commands", "Item", "ID", "CurrentProgram", "Commands", "Item", "ID"}));
}

TEST_F(LinkAtLoadTest, DiameterUsesTheFixedSixDecimalPattern)
{
    const std::pair<double, const wchar_t*> cases[] = {
        {2.5, L"5.000000"}, {0.3125, L"0.625000"}, {1.23456789, L"2.469136"}, {0, L"0.000000"}};
    for (auto [radius, text] : cases) {
        sim::MemoryForm fresh;
        WindowState freshState;
        dmis.program->probeRadius = radius;
        LinkAtLoad(fresh, freshState, dmis, L'.');
        EXPECT_EQ(fresh.GetText(kProbeDiameter), text);
    }
    sim::MemoryForm comma;
    dmis.program->probeRadius = 2.5;
    LinkAtLoad(comma, state, dmis, L',');
    EXPECT_EQ(comma.GetText(kProbeDiameter), L"5,000000");
}

TEST_F(LinkAtLoadTest, KeepsOnlyFeatureIds)
{
    SetFeatures({Feature(L"F1", {}), Feature(L"F12", {}), Feature(L"F-3", {}), Feature(L"F", {}), Feature(L"FA", {}),
                 Feature(L"Fx1", {}), Feature(L"f4", {}), Feature(L"", {}), Feature(L"F@", {}), Feature(L"F 2", {}),
                 Feature(std::wstring(L"F1\0x", 4), {}), Feature(std::wstring(L"F\0", 2), {})});
    Load();
    EXPECT_EQ(form.Items(kFeatureList), (std::vector<std::wstring>{L"F1", L"F12", L"F-3", L"F", L"F@", L"F 2"}));
}

TEST_F(LinkAtLoadTest, NoMeasuringApplication)
{
    dmis.installed = false;
    Load();
    EXPECT_EQ(Label2(), TextOf(ReportText::DmisLink));
    EXPECT_EQ(form.GetText(kProbeDiameter), L"");
    EXPECT_TRUE(form.Items(kFeatureList).empty());
    EXPECT_EQ(state.probeRadius, 0);
    EXPECT_FALSE(state.dmisApp);
}

TEST_F(LinkAtLoadTest, EmptyPartProgramKeepsTheMachineName)
{
    Load();
    EXPECT_EQ(Label2(), L"CMM-1");
    EXPECT_TRUE(form.Items(kFeatureList).empty());
}

TEST_F(LinkAtLoadTest, FailureInTheLoopKeepsTheIdsFoundSoFar)
{
    SetFeatures({Feature(L"F1", {}), Feature(L"F2", {}), Feature(L"A3", {}), Feature(L"F4", {}), Feature(L"F5", {}),
                 Feature(L"F6", {})});
    log.FailOn("ID", 5);
    Load();
    EXPECT_EQ(form.Items(kFeatureList), (std::vector<std::wstring>{L"F1", L"F2", L"F4"}));
    EXPECT_EQ(Label2(), TextOf(ReportText::DmisLink));
    EXPECT_EQ(form.GetText(kProbeDiameter), L"5.000000");
}

TEST_F(LinkAtLoadTest, EachFailingStepKeepsWhatCameBefore)
{
    {
        log.FailOn("MachineName");
        Load();
        EXPECT_EQ(Label2(), TextOf(ReportText::DmisLink));
        EXPECT_TRUE(state.dmisApp);
        EXPECT_TRUE(state.dmisMachine);
        EXPECT_EQ(form.GetText(kProbeDiameter), L"");
        EXPECT_EQ(state.probeRadius, 0);
    }
    {
        sim::MemoryForm fresh;
        WindowState freshState;
        log.Clear();
        log.FailOn("count");
        LinkAtLoad(fresh, freshState, dmis, L'.');
        EXPECT_EQ(fresh.Caption(kStatusLine), TextOf(ReportText::DmisLink));
        EXPECT_EQ(fresh.GetText(kProbeDiameter), L"5.000000");
        EXPECT_EQ(freshState.probeRadius, 2.5);
    }
    {
        sim::MemoryForm fresh;
        WindowState freshState;
        log.Clear();
        dmis.program.reset(); // no part program open
        LinkAtLoad(fresh, freshState, dmis, L'.');
        EXPECT_EQ(fresh.Caption(kStatusLine), TextOf(ReportText::DmisLink));
        EXPECT_TRUE(freshState.dmisMachine);
    }
}

TEST_F(LinkAtLoadTest, CommandCountAbove32767Fails)
{
    std::vector<sim::SimCommand> many(32768, Feature(L"A", {}));
    SetFeatures(std::move(many));
    Load();
    EXPECT_EQ(Label2(), TextOf(ReportText::DmisLink));
    EXPECT_EQ(log.CountOf("Item"), 0u);
}

} // namespace
} // namespace tessaly::test
