#include "action/cad_output.h"

#include "action/lookup.h"
#include "action/report.h"
#include "base/convert.h"
#include "base/error.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

class Plotter {
public:
    Plotter(Form& form, WindowState& state, cad::IEntity* partSolid, wchar_t decimalSeparator)
        : form_(form), state_(state), partSolid_(partSolid), separator_(decimalSeparator)
    {}

    void PlotAll();

private:
    void Plot(PlotMode mode, const PointEntry& entry, const cad::Point3& point);
    void CheckTolerance(const cad::Point3& point);
    double Tolerance() { return ParseNumber(form_.GetText(kTolerance), separator_); }
    std::unique_ptr<cad::IModelSpace> ModelSpace() { return state_.acadDoc->ModelSpace(); }
    // Looked up at the link only when "Sphere Tolerance" was selected then. Chosen later
    // (another program may click the option during the action), the check has no solid
    // to ask, and fails into the armed report as any other refused step does.
    cad::IEntity& PartSolid()
    {
        if (!partSolid_)
            throw Error("no PART solid: \"Sphere Tolerance\" was not selected at the CAD link");
        return *partSolid_;
    }

    Form& form_;
    WindowState& state_;
    cad::IEntity* partSolid_;
    wchar_t separator_;
    std::int16_t probeSphereColor_ = cad::kColorByBlock;
};

// Nothing is caught here: a failure ends the loop and goes to the armed report. A close
// asked for ends it after the point being drawn.
void Plotter::PlotAll()
{
    const int count = form_.ListCount(kPointList);
    for (int k = 0; k < count && !form_.Closing(); ++k) {
        const PointEntry entry = ParseEntry(form_.ListItem(kPointList, k), separator_);
        const cad::Point3 point{entry.x, entry.y, entry.z};
        state_.probeRadius = ParseNumber(form_.GetText(kProbeDiameter), separator_) / 2.0;
        if (state_.probeRadius < 0.001)
            form_.ShowMessage(TextOf(ReportText::BadProbeRadius)); // a warning: the entry is still drawn

        // Read for every entry: what another program selects meanwhile holds from here.
        if (const std::optional<PlotMode> mode = form_.SelectedPlotMode())
            Plot(*mode, entry, point);
    }
}

void Plotter::Plot(PlotMode mode, const PointEntry& entry, const cad::Point3& point)
{
    switch (mode) {
    case PlotMode::Spheres: {
        auto sphere = ModelSpace()->AddSphere(point, state_.probeRadius);
        sphere->AddHyperlink(entry.featureId);
        sphere->Update();
        return;
    }
    case PlotMode::Circles:
        state_.lastCircle = ModelSpace()->AddCircle(point, state_.probeRadius);
        state_.lastCircle->Update();
        return;
    case PlotMode::SphereTolerance: CheckTolerance(point); return;
    }
}

// Outer sphere S1, inner sphere S2 (only when S1 does not touch the part), and the
// probe-size sphere S3 coloured by the inner check.
void Plotter::CheckTolerance(const cad::Point3& point)
{
    const double outerRadius = Finite(Tolerance() + state_.probeRadius, "tolerance radius");
    auto outer = ModelSpace()->AddOuterSphere(point, outerRadius);
    bool overlap = false;
    if (auto interference = PartSolid().CheckInterference(*outer, true); !interference) {
        outer->SetColor(cad::kRed);
    } else {
        // A volume that is not a finite number is a failed read of the interference.
        const double x = outerRadius * Finite(interference->Volume(), "interference volume");
        LookupH(x, hTable(), form_, separator_);
        outer->SetColor(cad::kGreen);
        interference->Delete();
        overlap = true;
    }

    if (!overlap) {
        const double innerRadius = Finite(state_.probeRadius - Tolerance(), "tolerance radius");
        auto inner = ModelSpace()->AddSphere(point, innerRadius);
        if (auto interference = PartSolid().CheckInterference(*inner, true); !interference) {
            probeSphereColor_ = cad::kRed;
        } else {
            probeSphereColor_ = cad::kGreen;
            interference->Delete();
        }
    }

    auto probe = ModelSpace()->AddSphere(point, state_.probeRadius);
    // A probe whose outer tolerance sphere touches the part is green.
    probe->SetColor(overlap ? cad::kGreen : probeSphereColor_);
    probe->Update();
}

} // namespace

void DrawIntoCad(Form& form, WindowState& state, cad::IConnector& cad, const SplineData& spline,
                 wchar_t decimalSeparator) noexcept
{
    // The CAD link report: "Can't Link to AutoCAD" in Label2. The PART group report,
    // armed in its place once "Sphere Tolerance" asks for the PART group: the message
    // box. Either ends the action; nothing drawn before is removed.
    enum class Report { CadLink, PartGroup } armed = Report::CadLink;
    try {
        state.acadApp = cad.GetRunningApplication();
        state.acadApp->SetVisible(true);
        state.acadDoc = state.acadApp->ActiveDocument();

        std::unique_ptr<cad::IEntity> partSolid;
        if (form.SelectedPlotMode() == PlotMode::SphereTolerance) {
            armed = Report::PartGroup;
            partSolid = state.acadDoc->Groups()->Item(L"PART")->Item(0);
        }

        Plotter(form, state, partSolid.get(), decimalSeparator).PlotAll();

        if (form.IsChecked(kCreateSpline) && !form.Closing()) {
            auto curve =
                state.acadDoc->ModelSpace()->AddSpline(spline.fitPoints, spline.startTangent, spline.endTangent);
            curve->Update();
        }
    } catch (...) {
        if (armed == Report::CadLink)
            ShowReport([&] { form.SetCaption(kStatusLine, TextOf(ReportText::CadLink)); });
        else
            ShowReport([&] { form.ShowMessage(TextOf(ReportText::PartGroup)); });
    }
}

} // namespace tessaly
