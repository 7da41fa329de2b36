#include "action/cad_output.h"

#include <cmath>

#include "base/error.h"
#include "action/lookup.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

double FiniteRadius(double radius)
{
    if (!std::isfinite(radius))
        throw Error("tolerance radius overflows");
    return radius;
}

class Plotter {
public:
    Plotter(Form& form, WindowState& state, cad::IEntity* partSolid, wchar_t decimalSeparator)
        : form_(form), state_(state), partSolid_(partSolid), separator_(decimalSeparator)
    {
    }

    void PlotAll();

private:
    void CheckTolerance(const cad::Point3& point);
    double Tolerance() { return ParseNumber(form_.GetText(ControlId::Text3), separator_); }
    std::unique_ptr<cad::IModelSpace> ModelSpace() { return state_.acadDoc->ModelSpace(); }

    Form& form_;
    WindowState& state_;
    cad::IEntity* partSolid_;
    wchar_t separator_;
    std::int16_t probeSphereColor_ = cad::kColorByBlock;
};

// Nothing is caught here: a failure ends the loop and goes to the armed report.
void Plotter::PlotAll()
{
    const int count = form_.ListCount(ControlId::List1);
    for (int k = 0; k < count; ++k) {
        const PointEntry entry = ParseEntry(form_.ListItem(ControlId::List1, k), separator_);
        const cad::Point3 point{entry.x, entry.y, entry.z};
        state_.probeRadius = ParseNumber(form_.GetText(ControlId::Text1), separator_) / 2.0;
        if (state_.probeRadius < 0.001)
            form_.ShowMessage(L"Bad probe_radius"); // a warning: the entry is still drawn

        if (form_.OptionValue(ControlId::Option2)) {
            auto sphere = ModelSpace()->AddSphere(point, state_.probeRadius, cad::RadiusArg::Double);
            sphere->AddHyperlink(entry.featureId);
            sphere->Update();
        }
        if (form_.OptionValue(ControlId::Option1)) {
            state_.lastCircle = ModelSpace()->AddCircle(point, state_.probeRadius);
            state_.lastCircle->Update();
        }
        if (form_.OptionValue(ControlId::Option5))
            CheckTolerance(point);
    }
}

// Outer sphere S1, inner sphere S2 (only when S1 does not touch the part), and the
// probe-size sphere S3 coloured by the inner check.
void Plotter::CheckTolerance(const cad::Point3& point)
{
    const double outerRadius = FiniteRadius(Tolerance() + state_.probeRadius);
    auto outer = ModelSpace()->AddSphere(point, outerRadius, cad::RadiusArg::Variant);
    bool overlap = false;
    if (auto interference = partSolid_->CheckInterference(*outer, true); !interference) {
        outer->SetColor(cad::kRed);
    } else {
        const double x = outerRadius * interference->Volume();
        LookupH(x, hTable(), form_, separator_);
        outer->SetColor(cad::kGreen);
        interference->Delete();
        overlap = true;
    }

    if (!overlap) {
        const double innerRadius = FiniteRadius(state_.probeRadius - Tolerance());
        auto inner = ModelSpace()->AddSphere(point, innerRadius, cad::RadiusArg::Double);
        if (auto interference = partSolid_->CheckInterference(*inner, true); !interference) {
            probeSphereColor_ = cad::kRed;
        } else {
            probeSphereColor_ = cad::kGreen;
            interference->Delete();
        }
    }

    auto probe = ModelSpace()->AddSphere(point, state_.probeRadius, cad::RadiusArg::Double);
    // A probe whose outer tolerance sphere touches the part is green.
    probe->SetColor(overlap ? cad::kGreen : probeSphereColor_);
    probe->Update();
}

} // namespace

void DrawIntoCad(Form& form, WindowState& state, cad::IConnector& cad, const SplineData& spline,
                 wchar_t decimalSeparator)
{
    // Report A: "Can't Link to AutoCAD" in Label2. Report B, armed in its place once
    // "Sphere Tolerance" asks for the PART group: the message box. Either ends the
    // action; nothing drawn before is removed.
    enum class Report { A, B } armed = Report::A;
    try {
        state.acadApp = cad.GetRunningApplication();
        state.acadApp->SetVisible(true);
        state.acadDoc = state.acadApp->ActiveDocument();

        std::unique_ptr<cad::IEntity> partSolid;
        if (form.OptionValue(ControlId::Option5)) {
            armed = Report::B;
            partSolid = state.acadDoc->Groups()->Item(L"PART")->Item(0);
        }

        Plotter(form, state, partSolid.get(), decimalSeparator).PlotAll();

        if (form.IsChecked(ControlId::Check4)) {
            auto curve = state.acadDoc->ModelSpace()->AddSpline(spline.fitPoints, spline.startTangent,
                                                                 spline.endTangent);
            curve->Update();
        }
    } catch (const Error&) {
        if (armed == Report::A)
            form.SetCaption(ControlId::Label2, L"Can't Link to AutoCAD");
        else
            form.ShowMessage(L"Need Defined Group 'Part' for Check");
    }
}

} // namespace tessaly
