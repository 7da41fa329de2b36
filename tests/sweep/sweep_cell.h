#pragma once

#include <array>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "action/send_to_acad.h"
#include "base/convert.h"
#include "support/call_model.h"
#include "support/cell_fixture.h"

// The demo cell (part program F1 to F9, the PART box) behind a form whose changes, with
// the drawing's, are recorded as the user would see them, each event tagged with the
// number of automation calls made before it.
namespace tessaly::test::sweep {

struct Event {
    std::size_t calls;
    std::string text;
};
using Events = std::vector<Event>;

// The window's settings for one request.
struct Settings {
    std::vector<std::wstring> features; // selected in List2
    ControlId mode = kCircles;
    bool spline = false;
    std::array<std::wstring, 3> shift{};
    std::array<bool, 3> mirror{};
    std::array<bool, 3> depth{}; // with "Zero", the window's initial choice
    bool depthToStartPoint = false;
    std::wstring tolerance;

    PointChanges Changes() const { return {{!shift[0].empty(), !shift[1].empty(), !shift[2].empty()}, mirror, depth}; }
};

struct Cell : SimulatedCell {
    // Loads the window as the program does (List2, Text1), then applies the settings.
    explicit Cell(const Settings& settings, sim::SimPartProgram program = sim::DemoPartProgram());

    // One click on "Send To Acad", with automation call `failAt` failing (0: none) and
    // the window asked to close once `closeAt` calls have been made (0: never).
    // Keeps the events, messages and captions of this click only; handles count from
    // this click's first entity.
    void Click(std::size_t failAt = 0, std::size_t closeAt = 0);
    // The same click, with automation call `at` answering oddly in the way `how`.
    void ClickWithOddAnswer(std::size_t at, sim::OddAnswer how);

    Events events;
    bool escaped = false; // an exception left the action
    int base = 0;
    wchar_t separator = L'.'; // the locale's, for the clicks

private:
    struct Odd {
        std::size_t at;
        sim::OddAnswer how;
    };
    std::optional<Odd> odd_; // for the next click only
};

namespace detail {

inline void Put(std::ostream& out, const char* name, const cad::Point3& p)
{
    out << ' ' << name << " (" << p[0] << ", " << p[1] << ", " << p[2] << ')';
}

inline std::string Describe(const sim::SimEntity& e, const char* change, int base)
{
    static const char* const kKinds[] = {"sphere", "circle", "spline", "box", "interference"};
    std::ostringstream out;
    out << std::setprecision(17) << "entity " << e.handle - base << ' ' << change << ": "
        << kKinds[static_cast<int>(e.kind)];
    switch (e.kind) {
    case sim::EntityKind::Spline:
        out << " fit";
        for (double v : e.fitPoints)
            out << ' ' << v;
        Put(out, "start", e.startTangent);
        Put(out, "end", e.endTangent);
        break;
    case sim::EntityKind::Interference: out << " volume " << e.volume; break;
    default: Put(out, "centre", e.centre); out << " radius " << e.radius << (e.outer ? " (outer)" : "");
    }
    out << " colour " << e.color << " updates " << e.updates;
    for (const auto& link : e.hyperlinks)
        out << " link " << Narrow(link);
    return out.str();
}

} // namespace detail

inline std::vector<std::string> Texts(const Events& events)
{
    std::vector<std::string> texts;
    texts.reserve(events.size());
    for (const auto& e : events)
        texts.push_back(e.text);
    return texts;
}

inline Cell::Cell(const Settings& settings, sim::SimPartProgram program)
{
    dmis.program = std::move(program);
    sim::LoadDemoDrawing(cad);
    Load();
    form.SelectFeatures(settings.features);
    form.SelectOption(settings.mode);
    form.SetCheck(kCreateSpline, settings.spline ? kChecked : kUnchecked);
    for (int a = 0; a < 3; ++a) {
        form.SetText(kShift[a], settings.shift[a]);
        form.SetCheck(kMirror[a], settings.mirror[a] ? kChecked : kUnchecked);
        form.SetCheck(kChangeDepth[a], settings.depth[a] ? kChecked : kUnchecked);
    }
    if (settings.depthToStartPoint)
        form.SelectOption(ControlId::Option4);
    form.SetText(kTolerance, settings.tolerance);
    form.onSeen = [this](const std::wstring& seen) { events.push_back({log.Count(), Narrow(seen)}); };
    cad.onChange = [this](const sim::SimEntity& e, const char* change) {
        events.push_back({log.Count(), detail::Describe(e, change, base)});
    };
}

inline void Cell::Click(std::size_t failAt, std::size_t closeAt)
{
    form.closing = false;
    log.onArrival = [this, closeAt](std::size_t call) {
        form.closing = form.closing || (closeAt > 0 && call >= closeAt);
    };
    events.clear();
    form.messages.clear();
    form.label2History.clear();
    log.Clear();
    if (failAt > 0)
        log.FailAt(failAt);
    if (odd_)
        log.OddAt(odd_->at, odd_->how);
    odd_.reset();
    base = static_cast<int>(cad.entities.size());
    escaped = false;
    try {
        SendToAcad(form, state, dmis, cad, separator);
    } catch (...) {
        escaped = true;
    }
    log.ClearFailures();
    log.onArrival = nullptr;
    form.closing = false;
}

inline void Cell::ClickWithOddAnswer(std::size_t at, sim::OddAnswer how)
{
    odd_ = Odd{at, how};
    Click();
}

} // namespace tessaly::test::sweep
