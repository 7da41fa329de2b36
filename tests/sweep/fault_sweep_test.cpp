// Every automation call of a clean "Send To Acad", failed one at a time, in several
// requests against the demo cell. A run is right when what the user and the drawing see
// is exactly what the failure rules give for that call, no exception leaves the action
// and the next click without a fault gives the clean result again.
//
// The oracle: a failure in the link stage or the CAD stage shows the clean run's events
// up to that call, then the armed report, and makes no further call. A failure in the
// collection stage is predicted by a small model of collection (which point or entry
// it drops, which change it leaves out), followed by what a model of the CAD stage
// draws, without faults, from that point list.
#include <algorithm>
#include <cwchar>
#include <iomanip>
#include <iostream>
#include <optional>

#include <gtest/gtest.h>

#include "action/report.h"
#include "action/spline_data.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"
#include "sim/geometry.h"
#include "support/call_model.h"
#include "sweep/sweep_cell.h"

namespace tessaly::test::sweep {
namespace {

const std::string kLinkReport = "Label2 " + Narrow(TextOf(ReportText::DmisLink));
const std::string kCollectionEvent = "Label2 " + Narrow(TextOf(ReportText::Collection)); // Combo1 is empty
const std::string kCadLinkEvent = "Label2 " + Narrow(TextOf(ReportText::CadLink));
const std::string kPartGroupEvent = "message " + Narrow(TextOf(ReportText::PartGroup));

using Role = CallRole;

const sim::SimCommand& Command(const sim::SimPartProgram& program, const std::wstring& id)
{
    return *std::find_if(program.commands.begin(), program.commands.end(),
                         [&](const sim::SimCommand& c) { return c.id == id; });
}

// The calls up to the CAD stage, as the rules make them and no more: the link, then the
// collection of the selected entries.
std::vector<ModelCall> CollectionCalls(const Settings& s, const sim::SimPartProgram& program,
                                       const std::vector<std::wstring>& selected)
{
    std::vector<int> points;
    for (const auto& id : selected)
        points.push_back(static_cast<int>(Command(program, id).points.size()));
    std::vector<ModelCall> calls = LinkCalls();
    for (ModelCall& call : test::CollectionCalls(s.Changes(), points))
        calls.push_back(std::move(call));
    return calls;
}

// A point as the point list holds it.
struct Listed {
    std::wstring id;
    cad::Point3 at;
};

struct Collected {
    std::vector<std::string> events;
    std::vector<Listed> listed;
    SplineData spline;
};

// Collection as the rules describe it, with at most one failing call: a failed read of
// a point or of its coordinates drops that point, a failed lookup or feature data
// drops the entry, a failed change is not made; each shows the collection message.
// The scenarios change depth with "Zero" only, so point 1's start point is never used.
Collected Collect(const Settings& s, const sim::SimPartProgram& program, const std::wstring& machine,
                  const std::vector<std::wstring>& selected, const ModelCall* fault)
{
    Collected c;
    const PointChanges changes = s.Changes();
    const std::string caption = "Label2 " + Narrow(machine);
    auto failsAt = [&](Role role, int e, int j = 0) {
        return fault && fault->role == role && fault->entry == e && (j == 0 || fault->point == j);
    };
    c.events = {caption, "List1 cleared"};
    if (fault && fault->role == Role::Program) {
        c.events.push_back(kCollectionEvent);
        for (std::size_t e = 0; e < selected.size(); ++e)
            c.events.push_back(kCollectionEvent); // no commands: every lookup fails
        return c;
    }
    for (int e = 0; e < static_cast<int>(selected.size()); ++e) {
        if (failsAt(Role::Lookup, e)) {
            c.events.push_back(kCollectionEvent);
            continue;
        }
        c.events.push_back(failsAt(Role::Machine, e) ? kCollectionEvent : caption);
        if (failsAt(Role::Default, e))
            c.events.push_back(kCollectionEvent);
        if (failsAt(Role::Feature, e)) {
            c.events.push_back(kCollectionEvent);
            continue;
        }
        const auto& points = Command(program, selected[e]).points;
        const int n = static_cast<int>(points.size());
        if (s.spline)
            c.spline = SplineData{};
        for (int j = 1; j <= n; ++j) {
            if (failsAt(Role::Read, e, j) || failsAt(Role::List, e, j)) {
                c.events.push_back(kCollectionEvent);
                continue;
            }
            cad::Point3 p = points[static_cast<std::size_t>(j) - 1];
            for (int phase : {kShiftPhase, kMirrorPhase, kDepthPhase}) {
                for (int a = 0; a < 3; ++a) {
                    if (!changes.Applies(phase, a))
                        continue;
                    if (failsAt(Role::Change, e, j) && fault->phase == phase && fault->axis == a) {
                        c.events.push_back(kCollectionEvent);
                        continue;
                    }
                    if (phase == kShiftPhase)
                        p[a] = p[a] + ParseNumber(s.shift[a], L'.');
                    else if (phase == kMirrorPhase)
                        p[a] = p[a] * -1;
                    else
                        p[a] = 0;
                }
            }
            if (failsAt(Role::Start, e, j))
                c.events.push_back(kCollectionEvent);
            c.events.push_back("List1 + " + Narrow(FormatEntry(selected[e], p[0], p[1], p[2], L'.')));
            Listed listed{selected[e], {}};
            for (int a = 0; a < 3; ++a)
                listed.at[a] = std::wcstod(FormatNumber(p[a], L'.').c_str(), nullptr);
            c.listed.push_back(listed);
            if (s.spline) {
                // The points read, in order, between the first and the last of them.
                if (c.spline.fitPoints.empty())
                    c.spline.startTangent = p;
                c.spline.fitPoints.insert(c.spline.fitPoints.end(), p.begin(), p.end());
                c.spline.endTangent = p;
            }
        }
    }
    return c;
}

// What the CAD stage shows for a collection without faults, stated from the plot modes'
// rules and the drawing's answers, not with the action's code. Per listed point: a
// circle; a sphere with its feature's hyperlink; or the tolerance check, where an outer
// sphere that overlaps the PART box shows "h=0" a thousand times (the program's table is
// all zeros), turns green with the probe sphere, and its interference solid goes, and
// one that does not turns red with the probe sphere after an inner sphere (clear of the
// part as well). Then the spline of the points read, which the CAD application refuses
// below two fit points: the armed report, the PART group's once the tolerance check
// asked for the group.
std::vector<std::string> Drawn(const Settings& s, const Collected& collected, double probeRadius,
                               const sim::SimEntity& part)
{
    std::vector<std::string> events;
    int handles = 0;
    auto add = [&](sim::SimEntity e) {
        e.handle = ++handles;
        events.push_back(detail::Describe(e, "added", 0));
        return e;
    };
    auto change = [&](const sim::SimEntity& e, const char* what) { events.push_back(detail::Describe(e, what, 0)); };
    auto round = [](sim::EntityKind kind, const cad::Point3& centre, double radius) {
        sim::SimEntity e;
        e.kind = kind;
        e.centre = centre;
        e.radius = radius;
        return e;
    };
    const double tolerance = s.tolerance.empty() ? 0 : std::wcstod(s.tolerance.c_str(), nullptr);
    const std::string h = "message " + Narrow(TextOf(ReportText::H)) + "0";
    for (const Listed& point : collected.listed) {
        if (s.mode == kCircles) {
            sim::SimEntity circle = add(round(sim::EntityKind::Circle, point.at, probeRadius));
            ++circle.updates;
            change(circle, "update");
        } else if (s.mode == kSpheres) {
            sim::SimEntity sphere = add(round(sim::EntityKind::Sphere, point.at, probeRadius));
            sphere.hyperlinks.push_back(point.id);
            change(sphere, "hyperlink");
            ++sphere.updates;
            change(sphere, "update");
        } else {
            sim::SimEntity outer = round(sim::EntityKind::Sphere, point.at, probeRadius + tolerance);
            outer.outer = true;
            outer = add(outer);
            const double overlap = sim::SphereBoxOverlap(point.at, outer.radius, part.boxMin, part.boxMax);
            outer.color = overlap > 0 ? cad::kGreen : cad::kRed;
            if (overlap > 0) {
                sim::SimEntity interference;
                interference.kind = sim::EntityKind::Interference;
                interference.volume = overlap;
                interference = add(interference);
                events.insert(events.end(), 1000, h);
                change(outer, "color");
                change(interference, "deleted");
            } else {
                change(outer, "color");
                add(round(sim::EntityKind::Sphere, point.at, probeRadius - tolerance));
            }
            sim::SimEntity probe = add(round(sim::EntityKind::Sphere, point.at, probeRadius));
            probe.color = outer.color;
            change(probe, "color");
            ++probe.updates;
            change(probe, "update");
        }
    }
    if (s.spline) {
        if (collected.spline.fitPoints.size() < 6) {
            events.push_back(s.mode == kSphereTolerance ? kPartGroupEvent : kCadLinkEvent);
        } else {
            sim::SimEntity spline;
            spline.kind = sim::EntityKind::Spline;
            spline.fitPoints = collected.spline.fitPoints;
            spline.startTangent = collected.spline.startTangent;
            spline.endTangent = collected.spline.endTangent;
            spline = add(spline);
            ++spline.updates;
            change(spline, "update");
        }
    }
    return events;
}

std::string FirstDifference(const std::vector<std::string>& got, const std::vector<std::string>& want)
{
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    auto at = [&](const std::vector<std::string>& v) { return i < v.size() ? v[i] : std::string("(nothing)"); };
    return "event " + std::to_string(i + 1) + ": got \"" + at(got) + "\", want \"" + at(want) + "\"";
}

struct Row {
    std::string scenario;
    std::size_t calls = 0;
    std::size_t injected = 0;
    std::size_t behaved = 0;
    std::size_t link = 0, collection = 0, cadLink = 0, partGroup = 0;
};

std::vector<Row>& Table()
{
    static std::vector<Row> rows;
    return rows;
}

class PrintTable : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (Table().empty())
            return;
        std::cout << "\nFault sweep: each automation call of a clean run failed in turn\n"
                  << std::left << std::setw(50) << "scenario" << std::right << std::setw(6) << "calls" << std::setw(10)
                  << "injected" << std::setw(9) << "behaved" << std::setw(6) << "link" << std::setw(12) << "collection"
                  << std::setw(10) << "CAD link" << std::setw(12) << "PART group" << '\n';
        for (const Row& r : Table())
            std::cout << std::left << std::setw(50) << r.scenario << std::right << std::setw(6) << r.calls
                      << std::setw(10) << r.injected << std::setw(9) << r.behaved << std::setw(6) << r.link
                      << std::setw(12) << r.collection << std::setw(10) << r.cadLink << std::setw(12) << r.partGroup
                      << '\n';
    }
};
const auto* const kPrintTable = ::testing::AddGlobalTestEnvironment(new PrintTable);

void SweepFaults(const std::string& name, const Settings& s)
{
    Cell cell(s);
    std::vector<std::wstring> selected;
    for (const auto& id : cell.form.Items(kFeatureList))
        if (std::find(s.features.begin(), s.features.end(), id) != s.features.end())
            selected.push_back(id);
    const auto& program = *cell.dmis.program;
    const std::vector<ModelCall> collection = CollectionCalls(s, program, selected);

    cell.Click();
    ASSERT_FALSE(cell.escaped);
    const Events clean = cell.events;
    const std::vector<std::string> cleanCalls = cell.log.Calls();
    const std::vector<std::string> cleanTexts = Texts(clean);
    ASSERT_GT(cleanCalls.size(), collection.size());
    for (std::size_t i = 0; i < collection.size(); ++i)
        ASSERT_EQ(cleanCalls[i], collection[i].op) << "call " << i + 1;
    ASSERT_EQ(cleanCalls[collection.size()], "GetRunningApplication");
    // The models of both stages reproduce the clean run.
    const sim::SimEntity part = cell.cad.Entity(cell.cad.groups.at(L"PART").front());
    const Collected model = Collect(s, program, cell.dmis.machineName, selected, nullptr);
    std::vector<std::string> modelTexts = model.events;
    for (auto& text : Drawn(s, model, program.probeRadius, part))
        modelTexts.push_back(std::move(text));
    ASSERT_EQ(cleanTexts, modelTexts) << FirstDifference(cleanTexts, modelTexts);
    const auto groups = std::find(cleanCalls.begin(), cleanCalls.end(), "Groups");
    const std::size_t groupsAt = static_cast<std::size_t>(groups - cleanCalls.begin()) + 1;

    Row row{name, cleanCalls.size()};
    for (std::size_t k = 1; k <= cleanCalls.size(); ++k) {
        std::vector<std::string> want;
        bool stops = true; // the action makes no call after the failing one
        if (k <= collection.size() && collection[k - 1].role != Role::Link) {
            const Collected c = Collect(s, program, cell.dmis.machineName, selected, &collection[k - 1]);
            want = c.events;
            for (auto& text : Drawn(s, c, program.probeRadius, part))
                want.push_back(std::move(text));
            stops = false;
            ++row.collection;
        } else {
            for (const Event& e : clean)
                if (e.calls < k)
                    want.push_back(e.text);
            if (k <= collection.size()) {
                want.push_back(kLinkReport);
                ++row.link;
            } else if (s.mode == kSphereTolerance && k >= groupsAt) {
                want.push_back(kPartGroupEvent);
                ++row.partGroup;
            } else {
                want.push_back(kCadLinkEvent);
                ++row.cadLink;
            }
        }

        ++row.injected;
        cell.Click(k);
        const std::vector<std::string> got = Texts(cell.events);
        const bool escaped = cell.escaped;
        const std::size_t calls = cell.log.Count();
        cell.Click();
        const bool usable = !cell.escaped && cell.log.Calls() == cleanCalls && Texts(cell.events) == cleanTexts;

        const std::string where = name + ", call " + std::to_string(k) + " (" + cleanCalls[k - 1] + ")";
        if (escaped)
            ADD_FAILURE() << where << ": an exception left the action";
        if (got != want)
            ADD_FAILURE() << where << ": " << FirstDifference(got, want);
        if (stops && calls != k)
            ADD_FAILURE() << where << ": " << calls << " calls made, the action should end at the failing one";
        if (!usable)
            ADD_FAILURE() << where << ": the next click does not give the clean result";
        if (!escaped && got == want && (!stops || calls == k) && usable)
            ++row.behaved;
    }
    Table().push_back(row);
}

Settings Typical()
{
    Settings s;
    s.features = {L"F3"};
    s.mirror[1] = true;
    s.spline = true;
    s.mode = kSpheres;
    return s;
}

TEST(FaultSweep, TypicalRequest)
{
    SweepFaults("typical request (F3, mirror Y, spline, Spheres)", Typical());
}

TEST(FaultSweep, CirclesWithTwoFeatures)
{
    Settings s;
    s.features = {L"F3", L"F7"};
    SweepFaults("Circles, F3 and F7", s);
}

// With mirror Y, F3's first point lies 2 above the PART box and its second 3 above it:
// with an outer radius of 2.75 only the first touches.
TEST(FaultSweep, ToleranceWithATouchingPoint)
{
    Settings s = Typical();
    s.mode = kSphereTolerance;
    s.tolerance = L"0.25";
    SweepFaults("Sphere Tolerance, F3 (touches, then not), spline", s);
}

TEST(FaultSweep, ToleranceWithANonTouchingPoint)
{
    Settings s;
    s.features = {L"F4"};
    s.mirror[1] = true;
    s.mode = kSphereTolerance;
    s.tolerance = L"0.25";
    SweepFaults("Sphere Tolerance, F4 (does not touch)", s);
}

TEST(FaultSweep, SplineWithTwoFeatures)
{
    Settings s;
    s.features = {L"F5", L"F9"};
    s.spline = true;
    s.shift[0] = L"1.5";
    s.mirror[0] = true;
    s.depth[2] = true;
    SweepFaults("Create Spline, F5 and F9 (shift, mirror, depth)", s);
}

// The window asked to close at every call of a clean run over a feature of many points:
// the action stops at its next step, without a report, having drawn a prefix of what the
// clean run draws, and the next click (with a window that stays) gives the clean result.
void CloseSweep(const std::string& name, Settings s)
{
    sim::SimPartProgram program = sim::DemoPartProgram();
    sim::SimCommand many = sim::ManyPoints(30);
    many.points[3] = {10, 20, 5}; // mirrored in Y, 2 above the part: its outer tolerance sphere touches
    program.commands.push_back(many);
    s.features = {L"F10"};
    Cell cell(s, program);

    cell.Click();
    ASSERT_FALSE(cell.escaped);
    const std::vector<std::string> cleanTexts = Texts(cell.events);
    const std::size_t cleanCalls = cell.log.Count();
    // More calls than any one point takes, in either half of the action, in these modes.
    constexpr std::size_t kOneStep = 20;
    ASSERT_GT(cleanCalls, 10 * kOneStep);

    std::size_t behaved = 0;
    for (std::size_t k = 1; k <= cleanCalls; ++k) {
        cell.Click(0, k);
        const std::vector<std::string> got = Texts(cell.events);
        const std::size_t calls = cell.log.Count();
        const bool escaped = cell.escaped;
        const bool prefix = got.size() <= cleanTexts.size() && std::equal(got.begin(), got.end(), cleanTexts.begin());
        cell.Click();
        const bool usable = Texts(cell.events) == cleanTexts;
        const std::string where = name + ", closed at call " + std::to_string(k);
        EXPECT_FALSE(escaped) << where;
        EXPECT_TRUE(prefix) << where << ": " << FirstDifference(got, cleanTexts);
        EXPECT_LE(calls, k + kOneStep) << where << ": the action went on after its next step";
        EXPECT_TRUE(usable) << where << ": the next click";
        if (!escaped && prefix && calls <= k + kOneStep && usable)
            ++behaved;
    }
    std::cout << "Close sweep, " << name << " (30 points): closed at each of " << cleanCalls << " calls, " << behaved
              << " behaved\n";
}

TEST(CloseSweep, Spheres)
{
    Settings s;
    s.mode = kSpheres;
    s.spline = true;
    CloseSweep("Spheres, spline", s);
}

TEST(CloseSweep, Circles)
{
    CloseSweep("Circles", Settings{});
}

TEST(CloseSweep, ToleranceWithHBoxes)
{
    Settings s;
    s.mode = kSphereTolerance;
    s.tolerance = L"0.25";
    s.spline = true;
    s.mirror[1] = true;
    CloseSweep("Sphere Tolerance, mirror Y, spline", s);
}

} // namespace
} // namespace tessaly::test::sweep
