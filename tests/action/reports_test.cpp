// The armed reports catch every exception, not only the program's Error, and showing
// a report never throws out of the action.
#include <algorithm>

#include "action/link_at_load.h"
#include "action/report.h"
#include "action/send_to_acad.h"
#include "support/cell_fixture.h"

namespace tessaly::test {
namespace {

class ReportsTest : public CellTest {
protected:
    ReportsTest()
    {
        SetFeatures({Feature(L"F1", {{100, 100, 100}}), Feature(L"F3", {{10, 20, 5}, {12, 21, 6}})});
        cad.groups[L"PART"] = {cad.AddBox({0, 0, -10}, {20, 20, 0})};
        for (const auto& command : dmis.program->commands)
            failing.ListAppend(kFeatureList, command.id);
        failing.SelectFeatures({L"F1", L"F3"});
        failing.SetText(kProbeDiameter, L"5.000000");
    }
    void Send() { SendToAcad(failing, state, dmis, cad, L'.'); }
    bool Shown(const std::wstring& caption) const
    {
        const auto& history = failing.label2History;
        return std::find(history.begin(), history.end(), caption) != history.end();
    }

    sim::MemoryForm failing;
};

TEST_F(ReportsTest, EveryReportCatchesWhatIsNotAnError)
{
    {
        sim::MemoryForm fresh;
        fresh.throwsOn = kProbeDiameter; // written at load
        LinkAtLoad(fresh, state, dmis, L'.');
        EXPECT_EQ(fresh.Caption(kStatusLine), TextOf(ReportText::DmisLink));
    }
    {
        dmis.foreignFailure = true;
        Send();
        dmis.foreignFailure = false;
        EXPECT_EQ(failing.Caption(kStatusLine), TextOf(ReportText::DmisLink));
    }
    const struct {
        ControlId failing;
        ControlId mode;
        const wchar_t* report;
        std::size_t listed;
    } cases[] = {
        {kShift[0], kCircles, TextOf(ReportText::Collection), 3},    // a shift text
        {kFeatureList, kCircles, TextOf(ReportText::Collection), 0}, // the feature count
        {kProbeDiameter, kCircles, TextOf(ReportText::CadLink), 3},
        {kTolerance, kSphereTolerance, TextOf(ReportText::PartGroup), 3}, // the tolerance
    };
    for (const auto& c : cases) {
        failing.label2History.clear();
        failing.messages.clear();
        failing.throwsOn = c.failing;
        failing.SelectOption(c.mode);
        Send();
        const bool shown =
            c.mode == kSphereTolerance ? failing.messages == std::vector<std::wstring>{c.report} : Shown(c.report);
        EXPECT_TRUE(shown) << static_cast<int>(c.failing);
        failing.throwsOn.reset();
        EXPECT_EQ(failing.Items(kPointList).size(), c.listed) << static_cast<int>(c.failing);
    }
}

TEST_F(ReportsTest, AReportThatCannotBeShownLeavesTheActionAsItsReportSays)
{
    // The collection report reads Combo1; collection goes on past F1, which is gone.
    dmis.program->commands.erase(dmis.program->commands.begin());
    failing.throwsOn = kPlotFeature;
    Send();
    EXPECT_EQ(failing.Items(kPointList).size(), 2u);
    EXPECT_EQ(cad.Drawn().size(), 3u) << "the box and a circle per point";

    // The PART group's report cannot be shown: the action ends all the same, drawing nothing.
    failing.throwsOn.reset();
    failing.messagesThrow = true;
    cad.groups.clear();
    failing.SelectOption(kSphereTolerance);
    log.Clear();
    Send();
    EXPECT_EQ(cad.Drawn().size(), 3u);
    EXPECT_EQ(log.CountOf("AddSphere"), 0u);
}

} // namespace
} // namespace tessaly::test
