#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "sim/call_log.h"
#include "base/error.h"
#include "sim/cad_simulation.h"
#include "sim/dmis_simulation.h"

namespace tessaly::sim {
namespace {

class DmisSimTest : public ::testing::Test {
protected:
    DmisSimTest() : dmis(log)
    {
        SimPartProgram program;
        SimCommand f3;
        f3.id = L"F3";
        f3.points = {{10, 20, 5}, {12, 21, 6}};
        program.commands = {f3};
        dmis.program = program;
    }
    std::unique_ptr<dmis::IFeatureData> F3()
    {
        return dmis.CreateApplication()->CurrentProgram()->Commands()->CommandByID(L"F3")->FeatureData();
    }
    CallLog log;
    DmisSim dmis;
};

TEST_F(DmisSimTest, PointWritesStayInThePointObjectAndArgumentsAreCaptured)
{
    auto point = F3()->GetPoint(1, 12, 3, 13, L"", 0);
    point->Set(1, -20);
    EXPECT_EQ(point->Get(1), -20);
    EXPECT_EQ(F3()->GetPoint(1, 12, 3, 13, L"", 0)->Get(1), 20) << "a later read sees the stored point";
    ASSERT_EQ(dmis.getPointCalls.size(), 2u);
    const auto& args = dmis.getPointCalls[0];
    EXPECT_EQ((std::array<std::int32_t, 5>{args.index, args.a, args.b, args.c, args.d}),
              (std::array<std::int32_t, 5>{1, 12, 3, 13, 0}));
    EXPECT_EQ(args.text, L"");
    EXPECT_THROW(F3()->GetPoint(3, 12, 3, 13, L"", 0), Error);
    EXPECT_THROW(F3()->GetPoint(0, 12, 3, 13, L"", 0), Error);
}

TEST_F(DmisSimTest, CallsAreRecordedInOrderAndAFailedCallHasNoEffect)
{
    auto point = F3()->GetPoint(2, 12, 3, 13, L"", 0);
    log.FailOn("Y=");
    EXPECT_THROW(point->Set(1, 99), Error);
    EXPECT_EQ(point->Get(1), 21);
    EXPECT_EQ(log.Calls(), (std::vector<std::string>{"CreateApplication", "CurrentProgram", "Commands", "CommandByID",
                                                     "FeatureData", "GetPoint", "Y=", "Y"}));
    log.FailAt(log.Count() + 1);
    EXPECT_THROW(dmis.CreateApplication(), Error);
    EXPECT_EQ(log.Calls().back(), "CreateApplication");
}

TEST_F(DmisSimTest, MissingObjectsFail)
{
    auto app = dmis.CreateApplication();
    EXPECT_THROW(app->MachineAt(2), Error);
    EXPECT_EQ(app->MachineAt(1)->MachineName(), L"CMM-1");
    auto commands = app->CurrentProgram()->Commands();
    EXPECT_THROW(commands->Item(0), Error);
    EXPECT_THROW(commands->Item(2), Error);
    EXPECT_THROW(commands->CommandByID(L"F4"), Error);
    dmis.program->commands[0].hasFeatureData = false;
    EXPECT_THROW(commands->Item(1)->FeatureData(), Error);
    dmis.program.reset();
    EXPECT_THROW(app->CurrentProgram(), Error);
    dmis.installed = false;
    EXPECT_THROW(dmis.CreateApplication(), Error);
}

class CadSimTest : public ::testing::Test {
protected:
    CadSimTest() : cad(log) {}
    std::unique_ptr<cad::IDocument> Document() { return cad.GetRunningApplication()->ActiveDocument(); }
    CallLog log;
    CadSim cad;
};

TEST_F(CadSimTest, GroupLookupFailures)
{
    auto doc = Document();
    EXPECT_THROW(doc->Groups()->Item(L"PART"), Error);
    cad.groups[L"PART"] = {};
    auto group = doc->Groups()->Item(L"PART");
    EXPECT_THROW(group->Item(0), Error) << "an empty group has no first entity";
    cad.groups[L"PART"] = {cad.AddBox({0, 0, 0}, {1, 1, 1})};
    EXPECT_NO_THROW(group->Item(0));
    EXPECT_NO_THROW(doc->Groups()->Item(L"part")->Item(0)) << "names ignore case";
    EXPECT_THROW(doc->Groups()->Item(L"PARTS"), Error);
    EXPECT_THROW(group->Item(1), Error);
    EXPECT_THROW(group->Item(-1), Error);
}

TEST_F(CadSimTest, RefusesBadRadiiAndFitPoints)
{
    auto space = Document()->ModelSpace();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double r : {0.0, -1.0, nan, std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(space->AddSphere({0, 0, 0}, r), Error) << r;
        EXPECT_THROW(space->AddCircle({0, 0, 0}, r), Error) << r;
    }
    EXPECT_THROW(space->AddSpline({}, {0, 0, 0}, {0, 0, 0}), Error);
    EXPECT_THROW(space->AddSpline({1, 2}, {0, 0, 0}, {0, 0, 0}), Error);
    EXPECT_THROW(space->AddSpline({1, 2, 3}, {0, 0, 0}, {0, 0, 0}), Error) << "one fit point";
    EXPECT_THROW(space->AddSpline({1, 2, 3, 4, 5, 6, 7}, {0, 0, 0}, {0, 0, 0}), Error);
    EXPECT_TRUE(cad.entities.empty()) << "nothing refused is drawn";
    EXPECT_NO_THROW(space->AddSpline({1, 2, 3, 1, 2, 3}, {0, 0, 0}, {0, 0, 0})) << "two fit points, even equal";
    ASSERT_EQ(cad.entities.size(), 1u);
    EXPECT_EQ(cad.entities[0].kind, EntityKind::Spline);
}

TEST_F(CadSimTest, InterferenceWithThePartSolid)
{
    const int box = cad.AddBox({0, 0, 0}, {10, 10, 10});
    cad.groups[L"PART"] = {box};
    auto doc = Document();
    auto part = doc->Groups()->Item(L"PART")->Item(0);
    auto sphere = doc->ModelSpace()->AddOuterSphere({5, 5, 10}, 1);
    auto overlap = part->CheckInterference(*sphere, true);
    ASSERT_TRUE(overlap);
    EXPECT_NEAR(overlap->Volume(), 2.0 / 3.0 * 3.14159265358979323846, 1e-6);
    overlap->Delete();
    EXPECT_EQ(cad.Drawn().size(), 2u) << "the box and the sphere";
    EXPECT_THROW(overlap->Volume(), Error) << "a deleted entity is gone";

    auto apart = doc->ModelSpace()->AddSphere({5, 5, 11}, 1);
    EXPECT_FALSE(part->CheckInterference(*apart, true)) << "touching is no interference";
    auto circle = doc->ModelSpace()->AddCircle({5, 5, 5}, 1);
    EXPECT_THROW(part->CheckInterference(*circle, true), Error);

    log.FailOn("SetColor");
    EXPECT_THROW(apart->SetColor(cad::kRed), Error);
    EXPECT_EQ(cad.entities.at(3).color, cad::kColorByBlock);
    apart->SetColor(cad::kGreen);
    apart->AddHyperlink(L"F3");
    apart->Update();
    const SimEntity& drawn = cad.entities.at(3);
    EXPECT_EQ(drawn.color, cad::kGreen);
    EXPECT_EQ(drawn.hyperlinks, std::vector<std::wstring>{L"F3"});
    EXPECT_EQ(drawn.updates, 1);
}

TEST_F(CadSimTest, NoRunningApplicationOrDocument)
{
    cad.running = false;
    EXPECT_THROW(cad.GetRunningApplication(), Error);
    cad.running = true;
    auto app = cad.GetRunningApplication();
    app->SetVisible(true);
    EXPECT_TRUE(cad.visible);
    cad.hasDocument = false;
    EXPECT_THROW(app->ActiveDocument(), Error);
}

TEST(DemoCell, MirroredF3TouchesThePartOnlyAtItsFirstPoint)
{
    const SimPartProgram program = DemoPartProgram();
    const SimCommand* f3 = nullptr;
    for (const auto& command : program.commands)
        if (command.id == L"F3")
            f3 = &command;
    ASSERT_TRUE(f3);
    ASSERT_EQ(f3->points, (std::vector<std::array<double, 3>>{{10, 20, 5}, {12, 21, 6}}));
    EXPECT_EQ(program.probeRadius, 2.5);

    CallLog log;
    CadSim cad(log);
    LoadDemoDrawing(cad);
    auto doc = cad.GetRunningApplication()->ActiveDocument();
    auto part = doc->Groups()->Item(L"PART")->Item(0);
    auto first = doc->ModelSpace()->AddSphere({10, -20, 5}, 2.5);
    auto second = doc->ModelSpace()->AddSphere({12, -21, 6}, 2.5);
    EXPECT_TRUE(part->CheckInterference(*first, true));
    EXPECT_FALSE(part->CheckInterference(*second, true));
}

} // namespace
} // namespace tessaly::sim
