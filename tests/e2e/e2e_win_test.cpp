// The shipped tessaly.exe end to end: a process of its own, driven through its window,
// against the simulated cell (tessaly-cell.exe) over real COM between processes.

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "action/report.h"
#include "base/convert.h"
#include "com/com.h"
#include "pointlist/number_text.h"
#include "sim/dmis_simulation.h"
#include "driving/simulated_cell_win.h"
#include "driving/tessaly_app_win.h"
#include "driving/typical_request_win.h"
#include "driving/user_input_win.h"
#include "driving/wine_windows_win.h"
#include "layout/layout.h"
#include "support/call_model.h"

namespace tessaly::e2e {
namespace {

using namespace driving;

class WineWindows : public ::testing::Environment {
public:
    void SetUp() override
    {
        StartDesktop();
        windows_ = std::make_unique<UnmanagedWindows>(Programs());
    }
    void TearDown() override { windows_.reset(); }

private:
    static std::vector<std::wstring> Programs() { return {L"tessaly.exe", L"tessaly-cell.exe"}; }
    std::unique_ptr<UnmanagedWindows> windows_;
};

const auto* const kWineWindows = ::testing::AddGlobalTestEnvironment(new WineWindows);

using Lines = std::vector<std::string>;
using Entries = std::vector<std::wstring>;

constexpr const wchar_t* kNoMeasuring = TextOf(ReportText::DmisLink);
constexpr const wchar_t* kNoCad = TextOf(ReportText::CadLink);
constexpr const wchar_t* kCantGetFeature = TextOf(ReportText::Collection);
constexpr const wchar_t kMachine[] = L"DEMO CMM";
const Lines kEmptyDrawing{"box #1 colour 0"};

// The entity without its handle, for entities whose numbering is not the point.
std::string WithoutHandle(const std::string& entity)
{
    return std::regex_replace(entity, std::regex(" #[0-9]+"), "");
}

Lines WithoutHandles(const Lines& entities)
{
    Lines result;
    for (const std::string& e : entities)
        result.push_back(WithoutHandle(e));
    return result;
}

// The entities of `after` that `before` did not hold, in drawing order.
Lines Added(const Lines& before, const Lines& after)
{
    Lines added;
    for (const std::string& e : after)
        if (std::find(before.begin(), before.end(), e) == before.end())
            added.push_back(e);
    return added;
}

std::vector<std::wstring> Texts(const std::vector<MessageBoxSeen>& boxes)
{
    std::vector<std::wstring> texts;
    for (const MessageBoxSeen& box : boxes)
        texts.push_back(box.text);
    return texts;
}

class EndToEnd : public ::testing::Test {};

// The rows that neither hold, fail nor count references share one cell, reset to the
// state it started in before each run; it ends with the suite, before any other cell.
class EndToEndOnOneCell : public ::testing::Test {
protected:
    static SimulatedCell& ResetCell()
    {
        if (!cell_)
            cell_ = std::make_unique<SimulatedCell>();
        cell_->Reset();
        return *cell_;
    }
    static void TearDownTestSuite() { cell_.reset(); }

private:
    static inline std::unique_ptr<SimulatedCell> cell_;
};

// --- No measuring application ------------------------------------------------------------

void ExpectNoMeasuringApplication(TessalyApp& app)
{
    EXPECT_EQ(app.Text(kStatusLine), kNoMeasuring);
    EXPECT_EQ(app.Text(kProbeDiameter), L"");
    EXPECT_TRUE(app.Items(kFeatureList).empty());

    app.SelectFeatures({});
    EXPECT_TRUE(app.SendToAcad().empty()) << "no message box at Send To Acad";
    EXPECT_EQ(app.Text(kStatusLine), kNoMeasuring);
    EXPECT_TRUE(app.Items(kPointList).empty());
    EXPECT_EQ(app.Close(), 0u);
}

TEST(EndToEndWithoutCell, NoMeasuringApplicationAtLoadAndAtSendToAcad)
{
    TessalyApp app;
    ExpectNoMeasuringApplication(app);
}

TEST_F(EndToEnd, CellWithoutMeasuringApplicationDrawsNothing)
{
    SimulatedCell cell(L"--no-dmis");
    TessalyApp app;
    ExpectNoMeasuringApplication(app);
    // The action ends at the link report: the CAD application was never asked.
    EXPECT_EQ(cell.Calls(), 0);
    EXPECT_EQ(cell.Drawing(), kEmptyDrawing);
}

// --- The typical request ------------------------------------------------------------------

TEST_F(EndToEndOnOneCell, TypicalRequestDrawsTwoSpheresAndTheSpline)
{
    SimulatedCell& cell = ResetCell();
    TessalyApp app;
    EXPECT_EQ(app.Text(kStatusLine), kMachine);
    EXPECT_EQ(app.Text(kProbeDiameter), L"5.000000");
    EXPECT_EQ(app.Items(kFeatureList), (Entries{L"F1", L"F2", L"F3", L"F4", L"F5", L"F6", L"F7", L"F8", L"F9"}));

    TypicalSettings(app);
    EXPECT_TRUE(Texts(app.SendToAcad()).empty());
    EXPECT_EQ(app.Items(kPointList), kTypicalEntries);
    EXPECT_EQ(app.Text(kStatusLine), kMachine);
    EXPECT_EQ(cell.Drawing(), kTypicalDrawing);

    // Again: the settings stay as they were left, List1 is refilled, not appended to.
    EXPECT_TRUE(app.Checked(kMirror[1]));
    EXPECT_TRUE(app.Checked(kCreateSpline));
    EXPECT_TRUE(app.Checked(kSpheres));
    const Lines before = cell.Drawing();
    EXPECT_TRUE(Texts(app.SendToAcad()).empty());
    EXPECT_EQ(app.Items(kPointList), kTypicalEntries);
    EXPECT_EQ(WithoutHandles(Added(before, cell.Drawing())),
              WithoutHandles(Lines(kTypicalDrawing.begin() + 1, kTypicalDrawing.end())));
}

TEST_F(EndToEnd, CloseLetsGoOfEveryObjectAndSendsNothing)
{
    SimulatedCell cell;
    TessalyApp app;
    TypicalSettings(app);
    app.SendToAcad();
    ASSERT_EQ(cell.Drawing(), kTypicalDrawing);
    EXPECT_GT(cell.References(), 0) << "the window holds the applications between actions";
    const long calls = cell.Calls();

    EXPECT_EQ(app.Close(), 0u);
    EXPECT_EQ(cell.References(), 0);
    EXPECT_EQ(cell.Calls(), calls) << "no quit or close is sent to either application";
    EXPECT_EQ(cell.Drawing(), kTypicalDrawing) << "what was drawn stays";
}

// --- Transforms, circles ------------------------------------------------------------------

TEST_F(EndToEndOnOneCell, ShiftMirrorAndDepthChangeToStartPointThenZero)
{
    SimulatedCell& cell = ResetCell();
    TessalyApp app;
    app.SelectFeatures({L"F3"});
    app.Type(kShift[0], L"1.5");
    app.SetChecked(kMirror[1], true);
    app.SetChecked(kChangeDepth[2], true);
    app.Click(ControlId::Option4);
    EXPECT_TRUE(app.SendToAcad().empty());
    EXPECT_EQ(app.Items(kPointList), (Entries{L"F3,X=11.5 Y=-20 Z=5", L"F3,X=13.5 Y=-21 Z=5"}));

    app.Click(kDepthZero);
    EXPECT_TRUE(app.SendToAcad().empty());
    EXPECT_EQ(app.Items(kPointList), (Entries{L"F3,X=11.5 Y=-20 Z=0", L"F3,X=13.5 Y=-21 Z=0"}));
    EXPECT_EQ(app.Text(kShift[0]), L"1.5");
    EXPECT_FALSE(app.Checked(ControlId::Option4));

    // Drawn as listed, as circles (the initial plot mode).
    EXPECT_EQ(cell.Drawing(), (Lines{
                                  "box #1 colour 0",
                                  "circle #2 centre (11.5, -20, 5) radius 2.5 colour 0",
                                  "circle #3 centre (13.5, -21, 5) radius 2.5 colour 0",
                                  "circle #4 centre (11.5, -20, 0) radius 2.5 colour 0",
                                  "circle #5 centre (13.5, -21, 0) radius 2.5 colour 0",
                              }));
}

TEST_F(EndToEndOnOneCell, CirclesOfTheProbeRadiusReadAtEveryAction)
{
    SimulatedCell& cell = ResetCell();
    TessalyApp app;
    ASSERT_TRUE(app.Checked(kCircles));
    app.SelectFeatures({L"F3"});
    app.SetChecked(kMirror[1], true);
    EXPECT_TRUE(app.SendToAcad().empty());

    app.Type(kProbeDiameter, L"3");
    EXPECT_TRUE(app.SendToAcad().empty());
    EXPECT_EQ(cell.Drawing(), (Lines{
                                  "box #1 colour 0",
                                  "circle #2 centre (10, -20, 5) radius 2.5 colour 0",
                                  "circle #3 centre (12, -21, 6) radius 2.5 colour 0",
                                  "circle #4 centre (10, -20, 5) radius 1.5 colour 0",
                                  "circle #5 centre (12, -21, 6) radius 1.5 colour 0",
                              }));
    for (const std::string& change : cell.Changes())
        EXPECT_EQ(change.rfind("hyperlink: ", 0), std::string::npos) << change;
}

// --- Tolerance check ----------------------------------------------------------------------

TEST_F(EndToEndOnOneCell, SphereToleranceAwayFromAndTouchingThePart)
{
    SimulatedCell& cell = ResetCell();
    TessalyApp app;
    app.Click(kSphereTolerance);
    app.Type(kTolerance, L"0.25");

    // F4 (30, 30, 30) is far from the box: outer red, inner default, probe red; no "h=".
    app.SelectFeatures({L"F4"});
    EXPECT_TRUE(Texts(app.SendToAcad()).empty());
    EXPECT_EQ(cell.Drawing(), (Lines{
                                  "box #1 colour 0",
                                  "sphere #2 centre (30, 30, 30) radius 2.75 colour 1",
                                  "sphere #3 centre (30, 30, 30) radius 2.25 colour 0",
                                  "sphere #4 centre (30, 30, 30) radius 2.5 colour 1",
                              }));
    // The cell's picture: the probe sphere's centre in red, in both views.
    EXPECT_EQ(cell.Colours(30, 30, 30), "plan ff0000 front ff0000");

    // Mirrored F3: the first point lies 2 above the box's top, its outer sphere touches:
    // "h=0" a thousand times, then S1 green. The second lies 3 above it and does not.
    app.SelectFeatures({L"F3"});
    app.SetChecked(kMirror[1], true);
    const Lines before = cell.Drawing();
    const std::vector<MessageBoxSeen> boxes = app.SendToAcad();
    EXPECT_EQ(boxes.size(), 1000u);
    const std::wstring h0 = std::wstring(TextOf(ReportText::H)) + L"0";
    EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                            [&](const MessageBoxSeen& b) { return b.text == h0 && b.caption == L"Tessaly"; }),
              1000);
    EXPECT_EQ(WithoutHandles(Added(before, cell.Drawing())), (Lines{
                                                                 "sphere centre (10, -20, 5) radius 2.75 colour 3",
                                                                 "sphere centre (10, -20, 5) radius 2.5 colour 3",
                                                                 "sphere centre (12, -21, 6) radius 2.75 colour 1",
                                                                 "sphere centre (12, -21, 6) radius 2.25 colour 0",
                                                                 "sphere centre (12, -21, 6) radius 2.5 colour 1",
                                                             }));
    EXPECT_EQ(cell.Colours(10, -20, 5), "plan 00a000 front 00a000");
    EXPECT_EQ(cell.Colours(12, -21, 6), "plan ff0000 front ff0000");
    // The interference solid was made and deleted again.
    const Lines changes = cell.Changes();
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                            [](const std::string& c) { return c.rfind("added: interference", 0) == 0; }),
              1);
    EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                            [](const std::string& c) { return c.rfind("deleted: interference", 0) == 0; }),
              1);
}

// A tolerance at least the probe radius: the inner sphere's radius is 0 or less, which the
// CAD application refuses, so the group report ends the action after the outer sphere.
TEST_F(EndToEndOnOneCell, ToleranceOfTheProbeRadiusEndsAtTheRefusedInnerSphere)
{
    SimulatedCell& cell = ResetCell();
    TessalyApp app;
    app.Click(kSphereTolerance);
    app.Type(kTolerance, L"2.5");
    app.SelectFeatures({L"F4", L"F8"});
    EXPECT_EQ(Texts(app.SendToAcad()), std::vector<std::wstring>{TextOf(ReportText::PartGroup)});
    EXPECT_EQ(cell.Drawing(), (Lines{
                                  "box #1 colour 0",
                                  "sphere #2 centre (30, 30, 30) radius 5 colour 1",
                              }));
}

// "Create Spline" with fewer than two points listed: the points are drawn, then the CAD
// application refuses the spline and the CAD report ends the action.
TEST_F(EndToEndOnOneCell, SplineOfFewerThanTwoPointsIsRefusedAfterThePointsAreDrawn)
{
    const struct {
        bool onePoint; // F4, or nothing selected
        Lines drawing;
    } rows[] = {
        {true, {"box #1 colour 0", "sphere #2 centre (30, 30, 30) radius 2.5 colour 0 hyperlink F4"}},
        {false, kEmptyDrawing},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.onePoint ? "F4" : "nothing selected");
        SimulatedCell& cell = ResetCell();
        TessalyApp app;
        app.Click(kSpheres);
        app.SetChecked(kCreateSpline, true);
        if (row.onePoint)
            app.SelectFeatures({L"F4"});
        else
            app.SelectFeatures({});
        EXPECT_TRUE(app.SendToAcad().empty());
        EXPECT_EQ(app.Text(kStatusLine), kNoCad);
        EXPECT_EQ(cell.Drawing(), row.drawing);
    }
}

// --- The applications as another automation client meets them -------------------------

// The HRESULT of one call, as another client sees it (a member's own failure is its
// scode).
HRESULT Outcome(const std::function<void()>& call)
{
    try {
        call();
        return S_OK;
    } catch (const Error& e) {
        return e.code().value_or(E_UNEXPECTED);
    }
}

TEST_F(EndToEndOnOneCell, AnotherClientMeetsTheApplicationsAsTheyPublishThemselves)
{
    SimulatedCell& cell = ResetCell();
    com::Apartment apartment;
    using com::Call;
    using com::Invoke;
    using com::Variant;
    CLSID cadClass{};
    ASSERT_EQ(CLSIDFromProgID(L"AutoCAD.Application.15", &cadClass), S_OK);
    com::Ptr<IUnknown> running;
    ASSERT_EQ(GetActiveObject(cadClass, nullptr, running.put()), S_OK);
    const auto cad = com::Query<IDispatch>(running.get(), IID_IDispatch, L"the CAD application");
    const auto object = [](const Variant& v) { return com::ToObject(v, L"object"); };
    const auto document = object(Invoke(cad.get(), L"ActiveDocument", Call::Get));
    const auto space = object(Invoke(document.get(), L"ModelSpace", Call::Get));
    const auto groups = object(Invoke(document.get(), L"Groups", Call::Get));
    const auto part = object(Invoke(groups.get(), L"Item", Call::Get, Variant::Text(L"part")));
    const auto box = object(Invoke(part.get(), L"Item", Call::Get, Variant::I2(0)));
    CLSID measuringClass{};
    ASSERT_EQ(CLSIDFromProgID(L"pcdlrn.application", &measuringClass), S_OK);
    com::Ptr<IDispatch> measuring;
    ASSERT_EQ(CoCreateInstance(measuringClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, measuring.put_void()),
              S_OK);

    // Every object describes itself, with the published DISPIDs (names ignore case).
    const struct {
        IDispatch* on;
        const wchar_t* name;
        DISPID id;
    } names[] = {
        {cad.get(), L"Visible", 1},
        {cad.get(), L"activedocument", 5},
        {document.get(), L"ModelSpace", 1},
        {document.get(), L"Groups", 5},
        {space.get(), L"AddSphere", 1570},
        {space.get(), L"AddCircle", 1546},
        {space.get(), L"AddSpline", 1571},
        {space.get(), L"Delete", 1028},
        {groups.get(), L"Item", 0},
        {part.get(), L"Color", 2},
        {box.get(), L"Color", 1280},
        {box.get(), L"Update", 1296},
        {box.get(), L"Hyperlinks", 1301},
        {box.get(), L"Volume", 7},
        {box.get(), L"CheckInterference", 9},
        {measuring.get(), L"MachineAt", 16},
        {measuring.get(), L"CurrentProgram", 2},
    };
    for (const auto& row : names) {
        SCOPED_TRACE(Narrow(row.name));
        UINT count = 0;
        EXPECT_EQ(row.on->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        LPOLESTR name = const_cast<LPOLESTR>(row.name);
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(row.on->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, row.id);
    }

    // The type information crosses too: the application's own interface.
    com::Ptr<ITypeInfo> info;
    ASSERT_EQ(cad->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    constexpr IID kApplicationIid = {0x8E75D910, 0x3D21, 0x11D2, {0x85, 0xC4, 0x08, 0x00, 0x09, 0xA0, 0xC6, 0x26}};
    EXPECT_TRUE(IsEqualIID(attr->guid, kApplicationIid));
    EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FDUAL, 0);
    info->ReleaseTypeAttr(attr);

    // What the system's dispatcher refuses, and what the application refuses itself.
    const std::vector<double> centre{1, 2, 3};
    const struct {
        const char* what;
        std::function<void()> call;
        HRESULT expected;
    } calls[] = {
        {"a method as a property put", [&] { Invoke(space.get(), L"AddSphere", Call::Put, Variant::R8(1)); },
         DISP_E_MEMBERNOTFOUND},
        {"MachineAt as a property put", [&] { Invoke(measuring.get(), L"MachineAt", Call::Put, Variant::I2(1)); },
         DISP_E_MEMBERNOTFOUND},
        {"a required argument left out",
         [&] {
             com::DoubleArray at(centre);
             Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()));
         },
         DISP_E_BADPARAMCOUNT},
        {"a radius that is no number",
         [&] {
             com::DoubleArray at(centre);
             Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()), Variant::Text(L"abc"));
         },
         DISP_E_TYPEMISMATCH},
        {"a radius of 0",
         [&] {
             com::DoubleArray at(centre);
             Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()), Variant::R8(0));
         },
         E_FAIL},
        {"a centre of two coordinates",
         [&] {
             com::DoubleArray at(std::vector<double>{1, 2});
             Invoke(space.get(), L"AddCircle", Call::Get, Variant::RefDoubleArray(at.address()), Variant::R8(1));
         },
         E_FAIL},
        {"a spline of one fit point",
         [&] {
             com::DoubleArray fit(centre), start(centre), end(centre);
             Invoke(space.get(), L"AddSpline", Call::Get, Variant::RefDoubleArray(fit.address()),
                    Variant::RefDoubleArray(start.address()), Variant::RefDoubleArray(end.address()));
         },
         E_FAIL},
        {"a group that is not there", [&] { Invoke(groups.get(), L"Item", Call::Get, Variant::Text(L"PARTS")); },
         E_FAIL},
        {"an index beyond the group", [&] { Invoke(part.get(), L"Item", Call::Get, Variant::I2(1)); }, E_FAIL},
        {"a group's colour read", [&] { Invoke(part.get(), L"Color", Call::Get); }, DISP_E_MEMBERNOTFOUND},
        {"a hyperlink of a name alone",
         [&] {
             com::DoubleArray at(centre);
             const auto sphere = object(
                 Invoke(space.get(), L"AddSphere", Call::Get, Variant::RefDoubleArray(at.address()), Variant::R8(1)));
             const auto links = object(Invoke(sphere.get(), L"Hyperlinks", Call::Get));
             Invoke(links.get(), L"Add", Call::Method, Variant::Text(L"H1"));
         },
         S_OK},
    };
    for (const auto& row : calls)
        EXPECT_EQ(Outcome(row.call), row.expected) << row.what;
    EXPECT_EQ(cell.Drawing(), (Lines{"box #1 colour 0", "sphere #2 centre (1, 2, 3) radius 1 colour 0 hyperlink H1"}))
        << "nothing refused is drawn";
}

// --- Calls over COM ------------------------------------------------------------------------

// What one action over F10 (`points` points clear of the part) costs the cell in each
// plot mode: calls of its simulations, and invokes that reached its objects over COM.
struct ActionCalls {
    long calls = 0;
    long invokes = 0;
};

constexpr ControlId kPlotModeOptions[] = {kCircles, kSpheres, kSphereTolerance};

std::vector<ActionCalls> CallsOfActions(int points)
{
    SimulatedCell cell(L"--points " + std::to_wstring(points));
    std::vector<ActionCalls> calls;
    for (const ControlId mode : kPlotModeOptions) {
        cell.Reset();
        TessalyApp app;
        app.SelectFeatures({L"F10"});
        app.Click(mode);
        app.Type(kTolerance, L"0.25");
        const ActionCalls before{cell.Calls(), cell.RoundTrips().invokes};
        EXPECT_TRUE(app.SendToAcad().empty());
        calls.push_back({cell.Calls() - before.calls, cell.RoundTrips().invokes - before.invokes});
    }
    return calls;
}

// Each point's calls, the least the action must make (support/call_model.h), are all
// that crosses to the cell: one invoke each, but for the hyperlink of a sphere, which is
// two (its Hyperlinks, then their Add), and no other invoke per point.
TEST_F(EndToEnd, EachPointInvokesOverComExactlyTheCallsOfTheModel)
{
    const std::vector<ActionCalls> few = CallsOfActions(10);
    const std::vector<ActionCalls> many = CallsOfActions(20);
    for (std::size_t i = 0; i < std::size(kPlotModeOptions); ++i) {
        SCOPED_TRACE(layout::RowOf(kPlotModeOptions[i]).name);
        EXPECT_GT(many[i].calls, few[i].calls);
        const test::Calls perPoint = test::CallsPerPoint({}, kPlotModeOptions[i]);
        const long hyperlinks = 10 * (perPoint.count("AddHyperlink") ? perPoint.at("AddHyperlink") : 0);
        EXPECT_EQ(many[i].invokes - few[i].invokes, many[i].calls - few[i].calls + hyperlinks);
    }
}

// --- What the cell lacks ------------------------------------------------------------------

TEST_F(EndToEnd, NoCadApplicationListsThePointsAndDrawsNothing)
{
    SimulatedCell cell(L"--no-cad");
    TessalyApp app;
    TypicalSettings(app);
    EXPECT_TRUE(Texts(app.SendToAcad()).empty());
    EXPECT_EQ(app.Text(kStatusLine), kNoCad);
    EXPECT_EQ(app.Items(kPointList), kTypicalEntries);
    EXPECT_EQ(cell.Drawing(), kEmptyDrawing);
}

TEST_F(EndToEnd, NoPartGroupShowsTheGroupMessageAndDrawsNothing)
{
    SimulatedCell cell(L"--no-part-group");
    TessalyApp app;
    app.SelectFeatures({L"F3"});
    app.Click(kSphereTolerance);
    app.Type(kTolerance, L"0.25");
    const std::vector<MessageBoxSeen> boxes = app.SendToAcad();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TextOf(ReportText::PartGroup));
    EXPECT_EQ(boxes[0].caption, L"Tessaly");
    EXPECT_EQ(app.Text(kStatusLine), kMachine);
    EXPECT_EQ(cell.Drawing(), kEmptyDrawing);
    EXPECT_TRUE(app.Running());
}

// --- Failed calls through the real COM path -----------------------------------------------

// Where the typical request's calls fall, counted by the cell: after the window's load,
// after collection (a cell without CAD application gets no more), after the spline.
struct CallCounts {
    long load = 0;
    long collected = 0;
    long total = 0;
};

CallCounts CountTypicalRequestOnce()
{
    CallCounts counts;
    {
        SimulatedCell cell(L"--no-cad");
        TessalyApp app;
        counts.load = cell.Calls();
        TypicalSettings(app);
        app.SendToAcad();
        counts.collected = cell.Calls();
    }
    SimulatedCell cell;
    TessalyApp app;
    TypicalSettings(app);
    app.SendToAcad();
    counts.total = cell.Calls();
    return counts;
}

const CallCounts& CountTypicalRequest()
{
    static const CallCounts counts = CountTypicalRequestOnce();
    return counts;
}

// The link at the start of the action: creating the application, MachineAt, MachineName.
constexpr long kActionLinkCalls = 3;

long Spheres(const Lines& drawing)
{
    return static_cast<long>(
        std::count_if(drawing.begin(), drawing.end(), [](const std::string& e) { return e.rfind("sphere", 0) == 0; }));
}

TEST_F(EndToEnd, FailedCallShowsTheArmedReportAndTheNextClickWorks)
{
    const CallCounts counts = CountTypicalRequest();
    ASSERT_GT(counts.collected, counts.load + kActionLinkCalls);
    ASSERT_GT(counts.total, counts.collected);
    const long firstCollection = counts.load + kActionLinkCalls + 1;
    const long samples[] = {counts.load,
                            counts.load + 1,
                            firstCollection,
                            (firstCollection + counts.collected) / 2,
                            counts.collected,
                            counts.collected + 1,
                            (counts.collected + 1 + counts.total) / 2,
                            counts.total};
    for (const long k : samples) {
        SCOPED_TRACE("--fail-at " + std::to_string(k) + " (load " + std::to_string(counts.load) + ", collected " +
                     std::to_string(counts.collected) + ", total " + std::to_string(counts.total) + ")");
        SimulatedCell cell(L"--fail-at " + std::to_wstring(k));
        TessalyApp app;
        Lines drawn = kEmptyDrawing;
        if (k <= counts.load) {
            // At the window's load: the link report, and the window works on.
            EXPECT_EQ(app.Text(kStatusLine), kNoMeasuring);
        } else {
            EXPECT_EQ(app.Text(kStatusLine), kMachine);
            TypicalSettings(app);
            EXPECT_TRUE(Texts(app.SendToAcad()).empty());
            const std::wstring status = app.Text(kStatusLine);
            const Entries listed = app.Items(kPointList);
            drawn = cell.Drawing();
            if (k < firstCollection) {
                EXPECT_EQ(status, kNoMeasuring);
                EXPECT_TRUE(listed.empty());
                EXPECT_EQ(drawn, kEmptyDrawing);
            } else if (k <= counts.collected) {
                // What was listed was drawn, one sphere per entry. With fewer than two
                // entries listed the spline has fewer than two fit points, the CAD
                // application refuses it, and the CAD report replaces the collection report.
                EXPECT_EQ(status, listed.size() < 2 ? kNoCad : kCantGetFeature);
                EXPECT_EQ(Spheres(drawn), static_cast<long>(listed.size()));
            } else {
                EXPECT_EQ(status, kNoCad);
                EXPECT_EQ(listed, kTypicalEntries);
                EXPECT_LE(Spheres(drawn), 2);
                // At the spline's update everything was added.
                EXPECT_TRUE(k != counts.total || drawn == kTypicalDrawing);
            }
        }

        // The failure was a single call: the next click runs the whole request.
        TypicalSettings(app);
        EXPECT_TRUE(Texts(app.SendToAcad()).empty());
        EXPECT_EQ(app.Text(kStatusLine), kMachine);
        EXPECT_EQ(app.Items(kPointList), kTypicalEntries);
        EXPECT_EQ(WithoutHandles(Added(drawn, cell.Drawing())),
                  WithoutHandles(Lines(kTypicalDrawing.begin() + 1, kTypicalDrawing.end())));
    }
}

// --- The unexpected during an action ---------------------------------------------------------

// How the program ended: its exit code, and the objects the cell still held after it.
struct Ended {
    DWORD exitCode;
    long references;
};

// Expects exit code 0 and no object of the cell still held.
Ended ExpectEndedCleanly(DWORD exitCode, SimulatedCell& cell)
{
    const Ended ended{exitCode, cell.References()};
    EXPECT_EQ(ended.exitCode, 0u);
    EXPECT_EQ(ended.references, 0);
    return ended;
}

// The figures of docs/reliability.md, one line per situation.
void Figure(const std::string& situation, const std::string& seen, Milliseconds unanswered,
            const std::optional<Ended>& ended)
{
    std::cout << "reliability: " << situation << " | " << seen << " | " << unanswered.count() << " ms | "
              << (ended ? std::to_string(ended->references) : "") << " | "
              << (ended ? std::to_string(ended->exitCode) : "") << std::endl;
}

Milliseconds Since(Clock::time_point start)
{
    return std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
}

void WaitForCalls(SimulatedCell& cell, long calls)
{
    WaitUntil([&] { return cell.Calls() >= calls; }, std::to_string(calls) + " calls to reach the cell",
              Milliseconds(120000));
}

// The cell's --points feature F10: point i's centre as the cell prints it.
constexpr long kManyPoints = 60;
std::string ManyPoint(long i)
{
    static const sim::SimCommand many = sim::ManyPoints(kManyPoints);
    const auto& p = many.points[static_cast<std::size_t>(i)];
    auto number = [](double v) { return Narrow(FormatNumber(v, L'.')); };
    return "centre (" + number(p[0]) + ", " + number(p[1]) + ", " + number(p[2]) + ")";
}

// Starts "Send To Acad" over F10 in `mode` (tolerance 0.25) and returns once the action
// has made `at` calls.
void StartOverManyPoints(SimulatedCell& cell, TessalyApp& app, ControlId mode, long at)
{
    const long load = cell.Calls();
    app.SelectFeatures({L"F10"});
    app.Click(mode);
    app.Type(kTolerance, L"0.25");
    app.StartSendToAcad();
    WaitForCalls(cell, load + at);
}

// A drawing of the demo box and then, per point of F10 in order, the entities `perPoint`
// gives: true when it is a prefix of the whole action's drawing.
template <class PerPoint>
bool DrawnInOrder(const Lines& drawing, PerPoint&& perPoint)
{
    Lines whole = {WithoutHandle(kEmptyDrawing[0])};
    for (long i = 0; i < kManyPoints; ++i)
        for (const std::string& e : perPoint(ManyPoint(i)))
            whole.push_back(e);
    const Lines drawn = WithoutHandles(drawing);
    return drawn.size() <= whole.size() && std::equal(drawn.begin(), drawn.end(), whole.begin());
}

Lines SpheresOf(const std::string& centre)
{
    return {"sphere " + centre + " radius 2.5 colour 0 hyperlink F10"};
}

Lines ToleranceSpheresOf(const std::string& centre)
{
    return {"sphere " + centre + " radius 2.75 colour 1", "sphere " + centre + " radius 2.25 colour 0",
            "sphere " + centre + " radius 2.5 colour 1"};
}

// Closed from outside (the taskbar, Task Manager, a script) while a call of the action
// waits: the program ends with exit code 0 soon after, every object of the cell released,
// and the drawing holds whole points in the action's order.
TEST_F(EndToEnd, ClosedDuringTheActionEndsAtItsNextStepAndReleasesEverything)
{
    const struct {
        const char* situation;
        ControlId mode;
        long at; // calls of the action before the close
    } runs[] = {
        {"WM_CLOSE while drawing spheres", kSpheres, 6 * kManyPoints},
        {"WM_CLOSE while drawing tolerance spheres", kSphereTolerance, 7 * kManyPoints},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.situation);
        SimulatedCell cell(L"--points " + std::to_wstring(kManyPoints));
        TessalyApp app;
        StartOverManyPoints(cell, app, run.mode, run.at);
        const auto start = Clock::now();
        const Milliseconds answered = app.SendDuringAction(WM_CLOSE);
        const DWORD exitCode = app.WaitForExit();
        const Milliseconds untilExit = Since(start);
        const Ended ended = ExpectEndedCleanly(exitCode, cell);
        const Lines drawing = cell.Drawing();
        EXPECT_TRUE(run.mode == kSpheres ? DrawnInOrder(drawing, SpheresOf) : DrawnInOrder(drawing, ToleranceSpheresOf))
            << ::testing::PrintToString(drawing);
        // Stopped, not waited for: the whole action would draw every point.
        const std::size_t whole = (run.mode == kSpheres ? 1 : 3) * static_cast<std::size_t>(kManyPoints);
        EXPECT_LT(drawing.size() - 1, whole);
        Figure(run.situation,
               "the window closes after the point being drawn; " + std::to_string(drawing.size() - 1) +
                   " entities drawn stay",
               answered, ended);
        Figure(std::string(run.situation) + ", until the process ended", "", untilExit, std::nullopt);
    }
}

// A click sent to "Send To Acad" while a call of the action waits does nothing: the action
// runs to its end and the status line tells of its success.
TEST_F(EndToEnd, ClickDuringTheActionDoesNothing)
{
    SimulatedCell cell(L"--points " + std::to_wstring(kManyPoints));
    TessalyApp app;
    StartOverManyPoints(cell, app, kSpheres, 2 * kManyPoints);
    const Milliseconds answered = app.SendDuringAction(ControlId::Command2, BM_CLICK);
    EXPECT_TRUE(app.FinishSendToAcad(Milliseconds(120000)).empty());
    EXPECT_EQ(app.Text(kStatusLine), kMachine);
    EXPECT_EQ(app.Items(kPointList).size(), static_cast<std::size_t>(kManyPoints));
    const Lines drawing = cell.Drawing();
    EXPECT_EQ(drawing.size(), static_cast<std::size_t>(kManyPoints) + 1);
    EXPECT_TRUE(DrawnInOrder(drawing, SpheresOf));
    Figure("BM_CLICK on \"Send To Acad\" during the action", "nothing; the action ends with the machine name", answered,
           ExpectEndedCleanly(app.Close(), cell));
}

// The window's own message that runs the load link, as another program may send it.
constexpr UINT kLoadMessage = WM_APP + 1;

// Sent by another program while a call of the action waits, after the CAD link: a click
// on "Sphere Tolerance" while circles are drawn (no PART solid was fetched for them)
// fails into the armed report with whole circles drawn; the load message does nothing,
// idle or not.
TEST_F(EndToEnd, MessagesSentDuringTheActionNeverCrashIt)
{
    for (const bool click : {true, false}) {
        const std::string situation = click ? "BM_CLICK on \"Sphere Tolerance\" while drawing circles"
                                            : "WM_APP+1 (the load message) during the action";
        SCOPED_TRACE(situation);
        SimulatedCell cell(L"--points " + std::to_wstring(kManyPoints));
        TessalyApp app;
        const Entries features = app.Items(kFeatureList);
        const std::wstring probe = app.Text(kProbeDiameter);
        app.SendDuringAction(kLoadMessage);
        EXPECT_EQ(app.Items(kFeatureList), features);
        EXPECT_EQ(app.Text(kProbeDiameter), probe);

        // Past the collection (about five calls a point) and the CAD link.
        StartOverManyPoints(cell, app, click ? kCircles : kSpheres, 6 * kManyPoints);
        const Milliseconds answered =
            click ? app.SendDuringAction(kSphereTolerance, BM_CLICK) : app.SendDuringAction(kLoadMessage);
        EXPECT_TRUE(app.FinishSendToAcad(Milliseconds(120000)).empty());
        EXPECT_EQ(app.Text(kStatusLine), click ? kNoCad : kMachine);
        EXPECT_EQ(app.Items(kFeatureList), features);
        Lines drawing = cell.Drawing();
        std::string seen = "nothing; the action ends with the machine name";
        if (click) {
            // The point after the click may have its outer tolerance sphere, and no more.
            if (drawing.back().find(" radius 2.75 ") != std::string::npos)
                drawing.pop_back();
            EXPECT_GT(drawing.size(), 1u) << "the click came before the CAD link";
            EXPECT_TRUE(DrawnInOrder(drawing, [](const std::string& centre) {
                return Lines{"circle " + centre + " radius 2.5 colour 0"};
            })) << ::testing::PrintToString(drawing);
            seen = "\"Can't Link to AutoCAD\"; " + std::to_string(drawing.size() - 1) +
                   " whole circles drawn stay; the next click draws";
            const Lines before = cell.Drawing();
            app.SelectFeatures({L"F4"});
            EXPECT_TRUE(app.SendToAcad().empty());
            EXPECT_EQ(app.Text(kStatusLine), kMachine);
            EXPECT_EQ(WithoutHandles(Added(before, cell.Drawing())), ToleranceSpheresOf("centre (30, 30, 30)"));
        } else {
            EXPECT_EQ(drawing.size(), static_cast<std::size_t>(kManyPoints) + 1);
            EXPECT_TRUE(DrawnInOrder(drawing, SpheresOf));
        }
        Figure(situation, seen, answered, ExpectEndedCleanly(app.Close(), cell));
    }
}

// A call the CAD application turns away (its message filter answers "rejected") fails at
// once into the armed report; the next click draws everything.
TEST_F(EndToEnd, CallRejectedByTheApplicationShowsTheArmedReport)
{
    const CallCounts& counts = CountTypicalRequest();
    SimulatedCell cell(L"--reject-at " + std::to_wstring(counts.total - 2));
    TessalyApp app;
    TypicalSettings(app);
    const auto start = Clock::now();
    EXPECT_TRUE(app.SendToAcad().empty());
    const Milliseconds took = Since(start);
    EXPECT_EQ(app.Text(kStatusLine), kNoCad);
    EXPECT_NE(cell.Output().find("rejected: call"), std::string::npos) << "the cell's filter turned a call away";
    const Lines drawn = cell.Drawing();

    EXPECT_TRUE(app.SendToAcad().empty());
    EXPECT_EQ(app.Text(kStatusLine), kMachine);
    EXPECT_EQ(WithoutHandles(Added(drawn, cell.Drawing())),
              WithoutHandles(Lines(kTypicalDrawing.begin() + 1, kTypicalDrawing.end())));
    Figure("a call rejected by the CAD application", "\"Can't Link to AutoCAD\"; the next click draws", took,
           ExpectEndedCleanly(app.Close(), cell));
}

// A close while the CAD application is busy with a command of its own and turns every
// call away: the program ends at once, not after the retries of the call that waits.
TEST_F(EndToEnd, ClosedWhileTheApplicationIsBusyEndsAtOnce)
{
    const CallCounts& counts = CountTypicalRequest();
    SimulatedCell cell(L"--busy-from " + std::to_wstring(counts.total - 2));
    TessalyApp app;
    TypicalSettings(app);
    app.StartSendToAcad();
    WaitUntil([&] { return cell.Output().find("busy: from call") != std::string::npos; },
              "the cell to turn calls away");
    const auto start = Clock::now();
    const Milliseconds answered = app.SendDuringAction(WM_CLOSE);
    const DWORD exitCode = app.WaitForExit();
    const Milliseconds untilExit = Since(start);
    EXPECT_LT(untilExit.count(), 5000);
    Figure("WM_CLOSE while the CAD application is busy", "the window closes", answered,
           ExpectEndedCleanly(exitCode, cell));
    Figure("WM_CLOSE while the CAD application is busy, until the process ended", "", untilExit, std::nullopt);
}

// The call of the typical request that draws its second sphere, counted as the cell counts.
long SecondSphereCall()
{
    SimulatedCell cell;
    TessalyApp app;
    TypicalSettings(app);
    app.SendToAcad();
    const std::vector<std::string> names = cell.CallNames();
    long spheres = 0;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == "AddSphere" && ++spheres == 2)
            return static_cast<long>(i) + 1;
    throw Error("the typical request drew no second sphere");
}

// The cell holds the typical request's second sphere 40 s (the CAD application busy in a
// command or a dialog of its own); Tessaly, the foreground window, started the action with
// a click on "Send To Acad", which has the focus. Returns once the call has waited a
// second, longer than any call that the application answers.
void HoldTheSecondSphere(SimulatedCell& cell, TessalyApp& app)
{
    MakeForeground(app.Window());
    TypicalSettings(app);
    app.StartSendToAcad();
    WaitUntil([&] { return cell.Output().find("held: call") != std::string::npos; }, "the cell to hold a call");
    Sleep(1000);
    EXPECT_EQ(GetForegroundWindow(), app.Window()) << "the user's input goes to Tessaly";
}

std::wstring HoldAtTheSecondSphere()
{
    static const long held = SecondSphereCall();
    return L"--hold-at " + std::to_wstring(held) + L" 40000";
}

// A close while the CAD application holds a call, however it is given: a click sent by
// another program (delivered in the call's wait), the user's mouse and keyboard, the
// caption's close box, and what a window manager or another program posts (which the
// wait leaves in the queue). The window and the process go within two seconds, exit
// code 0, not when the call comes back; with a sent click the window goes within one.
TEST_F(EndToEnd, HeldCallEndsTheProgramAtOnceOnClose)
{
    const struct {
        const char* how;
        void (*close)(TessalyApp&);
        long windowWithinMs;
    } ways[] = {
        {"\"Close\"", [](TessalyApp& app) { app.ClickDuringAction(ControlId::Command1); }, 1000},
        {"the mouse on \"Close\"", [](TessalyApp& app) { ClickMouse(CentreOf(app.Control(ControlId::Command1))); },
         2000},
        {"Alt+F4", [](TessalyApp&) { PressKeys({VK_MENU, VK_F4}); }, 2000},
        {"the caption's close box", [](TessalyApp& app) { ClickMouse(CloseBoxOf(app.Window())); }, 2000},
        {"SC_CLOSE posted", [](TessalyApp& app) { app.PostDuringAction(WM_SYSCOMMAND, SC_CLOSE, 0); }, 2000},
        {"WM_CLOSE posted", [](TessalyApp& app) { app.PostDuringAction(WM_CLOSE, 0, 0); }, 2000},
        {"BM_CLICK posted to \"Close\"", [](TessalyApp& app) { app.PostDuringAction(ControlId::Command1, BM_CLICK); },
         2000},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        SimulatedCell cell(HoldAtTheSecondSphere());
        TessalyApp app;
        HoldTheSecondSphere(cell, app);
        const auto start = Clock::now();
        way.close(app);
        WaitUntil([&] { return !IsWindow(app.Window()); }, "the window to end after the close", Milliseconds(5000));
        const Milliseconds untilWindow = Since(start);
        const DWORD exitCode = app.WaitForExit(Milliseconds(5000));
        const Milliseconds untilExit = Since(start);
        EXPECT_LT(untilWindow.count(), way.windowWithinMs);
        EXPECT_LT(untilExit.count(), 2000);
        EXPECT_EQ(exitCode, 0u);
        // What the cell still holds for the process that ended is its own clean-up.
        const std::string situation = std::string(way.how) + " while the CAD application holds a call for 40 s";
        Figure(situation, "the window closes", untilWindow, Ended{exitCode, cell.References()});
        Figure(situation + ", until the process ended", "", untilExit, std::nullopt);
    }
}

// What is not a close waits in the queue during the hold, as during any action: a press
// on "Close" released over List2, a click on "Send To Acad", Enter with the focus on
// "Send To Acad". The program still runs 3 s later, and a close then ends it.
TEST_F(EndToEnd, HeldCallLeavesOtherInputWaiting)
{
    SimulatedCell cell(HoldAtTheSecondSphere());
    TessalyApp app;
    HoldTheSecondSphere(cell, app);
    ASSERT_EQ(app.Focus(), app.Control(ControlId::Command2));
    PressMouse(CentreOf(app.Control(ControlId::Command1)));
    ReleaseMouse(CentreOf(app.Control(kFeatureList)));
    ClickMouse(CentreOf(app.Control(ControlId::Command2)));
    PressKeys({VK_RETURN});
    Sleep(3000);
    EXPECT_TRUE(IsWindow(app.Window()));
    EXPECT_TRUE(app.Running());
    app.ClickDuringAction(ControlId::Command1);
    EXPECT_EQ(app.WaitForExit(Milliseconds(5000)), 0u);
}

// During an ordinary action (no call held) the user's click on "Close" waits in the queue
// as all input does, and closes the program once the action has drawn every point.
TEST_F(EndToEnd, MouseCloseDuringAnOrdinaryActionClosesWhenItEnds)
{
    constexpr long kPoints = 120;
    SimulatedCell cell(L"--points " + std::to_wstring(kPoints));
    TessalyApp app;
    MakeForeground(app.Window());
    StartOverManyPoints(cell, app, kSpheres, 2 * kPoints);
    ClickMouse(CentreOf(app.Control(ControlId::Command1)));
    EXPECT_LT(cell.Drawing().size() - 1, static_cast<std::size_t>(kPoints)) << "clicked during the action";
    ExpectEndedCleanly(app.WaitForExit(), cell);
    EXPECT_EQ(cell.Drawing().size() - 1, static_cast<std::size_t>(kPoints)) << "every point drawn, then closed";
}

// WM_QUIT posted by another program, with an exit code of its own: a close, idle or
// during an action (which stops at its next step), exit code 0, no reference left.
TEST_F(EndToEnd, PostedQuitClosesTheWindowIdleAndDuringTheAction)
{
    constexpr long kPoints = 200;
    for (const bool during : {false, true}) {
        const std::string situation = during ? "WM_QUIT posted while drawing 200 spheres" : "WM_QUIT posted while idle";
        SCOPED_TRACE(situation);
        SimulatedCell cell(L"--points " + std::to_wstring(kPoints));
        TessalyApp app;
        if (during)
            StartOverManyPoints(cell, app, kSpheres, 6 * kPoints);
        const auto start = Clock::now();
        app.PostQuit(7);
        const DWORD exitCode = app.WaitForExit();
        const Milliseconds untilExit = Since(start);
        const Ended ended = ExpectEndedCleanly(exitCode, cell);
        const std::size_t drawn = cell.Drawing().size() - 1;
        if (during)
            EXPECT_LT(drawn, static_cast<std::size_t>(kPoints)) << "stopped, not drawn to the end";
        Figure(situation,
               during
                   ? "the window closes after the point being drawn; " + std::to_string(drawn) + " entities drawn stay"
                   : "the window closes",
               untilExit, ended);
    }
}

// The applications' process ends during the action: the armed report within seconds, and
// once they run again the next click links anew and draws.
TEST_F(EndToEnd, ApplicationsGoneDuringTheActionShowTheReportAndTheNextClickLinksAnew)
{
    const CallCounts& counts = CountTypicalRequest();
    const struct {
        const char* situation;
        long at;
    } runs[] = {
        {"the applications' process ends while collecting", counts.load + kActionLinkCalls + 2},
        {"the applications' process ends while drawing", counts.total - 2},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.situation);
        auto dying = std::make_unique<SimulatedCell>(L"--exit-at " + std::to_wstring(run.at));
        TessalyApp app;
        TypicalSettings(app);
        const auto start = Clock::now();
        EXPECT_TRUE(app.SendToAcad().empty());
        const Milliseconds took = Since(start);
        EXPECT_EQ(app.Text(kStatusLine), kNoCad);
        EXPECT_LT(took.count(), 10000);
        dying.reset();

        SimulatedCell cell;
        EXPECT_TRUE(app.SendToAcad().empty());
        EXPECT_EQ(app.Text(kStatusLine), kMachine);
        EXPECT_EQ(cell.Drawing(), kTypicalDrawing);
        Figure(run.situation, "\"Can't Link to AutoCAD\"; with the cell started again the next click draws", took,
               ExpectEndedCleanly(app.Close(), cell));
    }
}

// --- Odd answers over COM -----------------------------------------------------------------

// Sphere Tolerance over F4, which lies clear of the part.
void ToleranceOverF4(TessalyApp& app)
{
    app.SelectFeatures({L"F4"});
    for (const ControlId tick : kTypicalTicks)
        app.SetChecked(tick, false);
    app.Click(kSphereTolerance);
    app.Type(kTolerance, L"0.25");
}

// Calls of a click answered oddly, one click per call: every n-th call of the typical
// request and of a tolerance request, for n answers, each way from another call, so that
// each call is answered oddly once. The program never crashes or hangs, draws nothing
// that is not finite, and never shows success for a drawing other than the clean click's,
// unless the answer converts to a legitimate value: nothing (0 or "") and, from
// CheckInterference, no object ("no interference"). An answer by reference is the right
// value: its click is the clean one. An object that is its own value costs a few round
// trips at most beyond the clean click's.
void SampleOddAnswers(std::span<const char* const> answers)
{
    const struct {
        const char* name;
        void (*settings)(TessalyApp&);
    } requests[] = {{"typical", TypicalSettings}, {"tolerance", ToleranceOverF4}};
    const long stride = static_cast<long>(answers.size());
    const std::regex notFinite("(^|[ (])-?(nan|inf)([ ,)]|$)");
    for (long a = 0; a < stride; ++a) {
        const std::string how = answers[a];
        SCOPED_TRACE(how);
        SimulatedCell cell;
        TessalyApp app;
        long clicks = 0, reported = 0;
        Milliseconds longest{0};
        for (const auto& request : requests) {
            request.settings(app);
            Lines before = cell.Drawing();
            const long first = cell.Calls();
            auto trips = cell.RoundTrips();
            EXPECT_TRUE(app.SendToAcad().empty());
            ASSERT_EQ(app.Text(kStatusLine), kMachine);
            const long cleanTrips = (cell.RoundTrips() - trips).total;
            const Lines clean = WithoutHandles(Added(before, cell.Drawing()));
            const long calls = cell.Calls() - first;
            // The first call creates the measuring application: no invoke to answer.
            for (long k = 2 + a; k <= calls; k += stride, ++clicks) {
                before = cell.Drawing();
                const long call = cell.Calls() + k;
                cell.AnswerOddly(call, how);
                trips = cell.RoundTrips();
                const auto start = Clock::now();
                const bool success = app.SendToAcad().empty() && app.Text(kStatusLine) == kMachine;
                longest = std::max(longest, Since(start));
                const Lines after = cell.Drawing();
                const std::string operation = cell.OddlyAnswered(call);
                SCOPED_TRACE(std::string(request.name) + " call " + std::to_string(k) + " " + operation);
                EXPECT_FALSE(operation.empty()) << "the cell answered no call oddly";
                for (const std::string& entity : after)
                    EXPECT_FALSE(std::regex_search(entity, notFinite)) << entity;
                const bool legitimate = how == "empty" || (how == "null" && operation == "CheckInterference");
                EXPECT_TRUE(!success || legitimate || WithoutHandles(Added(before, after)) == clean)
                    << ::testing::PrintToString(after);
                EXPECT_TRUE(how != "byref" || (success && WithoutHandles(Added(before, after)) == clean))
                    << "the right value by reference is not read as that value";
                EXPECT_TRUE(how != "self" || (cell.RoundTrips() - trips).total <= cleanTrips + 4)
                    << "more than a few round trips for an object that is its own value";
                reported += !success;
            }
        }
        EXPECT_EQ(cell.NonFiniteWrites(), 0) << "a value that is not finite was sent to an application";
        const char* const ordinal = stride == 2 ? "nd" : stride == 3 ? "rd" : "th";
        Figure("odd answers (" + how + ") to every " + std::to_string(stride) + ordinal + " call",
               "no crash; " + std::to_string(reported) + " of " + std::to_string(clicks) + " clicks reported", longest,
               ExpectEndedCleanly(app.Close(), cell));
    }
}

TEST_F(EndToEnd, OddAnswersOfPlainValuesNeverCrashAndNeverPassForSuccess)
{
    const char* const answers[] = {"null", "text", "nan", "inf", "-inf", "empty"};
    SampleOddAnswers(answers);
}

// What crosses between the processes as a pointer: an object (proxies), an answer by
// reference (the marshaler's copy), a fill-in's address (another process's image).
TEST_F(EndToEnd, OddAnswersCarryingPointersSelfByReferenceAndDeferred)
{
    const char* const answers[] = {"self", "byref", "deferred"};
    SampleOddAnswers(answers);
}

} // namespace
} // namespace tessaly::e2e
