#include "action/collect.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/convert.h"
#include "base/error.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

constexpr ControlId kShift[3] = {ControlId::Text6, ControlId::Text7, ControlId::Text8};
constexpr ControlId kMirror[3] = {ControlId::Check5, ControlId::Check6, ControlId::Check7};
constexpr ControlId kDepth[3] = {ControlId::Check1, ControlId::Check2, ControlId::Check3};

// A transform whose result is no longer a finite double is not made.
double Finite(double value)
{
    if (!std::isfinite(value))
        throw Error("coordinate overflow");
    return value;
}

class Collector {
public:
    Collector(Form& form, WindowState& state, wchar_t decimalSeparator)
        : form_(form), state_(state), separator_(decimalSeparator)
    {
    }

    SplineData Run();

private:
    void CollectPoint(const std::wstring& id, dmis::IFeatureData& featureData, int j, int count);
    void Report() { form_.SetCaption(ControlId::Label2, L"Can't Get Feature " + form_.GetText(ControlId::Combo1)); }

    Form& form_;
    WindowState& state_;
    wchar_t separator_;
    SplineData spline_;
    // Point 1 of the current entry after shift and mirror; empty while point 1 has not
    // been read, so "Start Point" never borrows the previous entry's.
    std::optional<cad::Point3> startPoint_;
};

SplineData Collector::Run()
{
    // Collection report armed: every failure below shows it, and collection goes on.
    try {
        form_.ListClear(ControlId::List1);
    } catch (const Error&) {
        Report();
    }
    const int entries = form_.ListCount(ControlId::List2);

    std::unique_ptr<dmis::ICommands> commands;
    try {
        commands = state_.dmisApp->CurrentProgram()->Commands();
    } catch (const Error&) {
        Report(); // every selected entry then fails its lookup
    }

    for (int i = 0; i < entries; ++i) {
        std::wstring id;
        std::unique_ptr<dmis::ICommand> command;
        try {
            if (!form_.ListSelected(ControlId::List2, i))
                continue;
            id = form_.ListItem(ControlId::List2, i);
            if (id.empty())
                continue;
            if (!commands)
                throw Error("no part program commands");
            command = commands->CommandByID(id);
        } catch (const Error&) {
            Report();
            continue;
        }

        try {
            form_.SetCaption(ControlId::Label2, state_.dmisMachine->MachineName());
        } catch (const Error&) {
            Report();
        }

        std::unique_ptr<dmis::IFeatureData> featureData;
        int count = 0;
        try {
            if (command->DefaultValue().empty())
                continue; // not a feature: no points, no message
        } catch (const Error&) {
            Report();
        }
        try {
            featureData = command->FeatureData();
            count = ToInt16(featureData->PointCount(), "PointCount");
        } catch (const Error&) {
            Report();
            continue;
        }

        startPoint_.reset();
        try {
            if (form_.IsChecked(ControlId::Check4)) {
                const int places = ToInt16(3 * count, "spline fit points");
                if (places < 0)
                    throw Error("negative point count");
                spline_.fitPoints.assign(static_cast<std::size_t>(places), 0.0);
            }
        } catch (const Error&) {
            Report();
        }

        for (int j = 1; j <= count; ++j)
            CollectPoint(id, *featureData, j, count);
    }
    return std::move(spline_);
}

// Read, shift, mirror, start point, change depth, list, spline: each change is
// written into the point object at once and read back from it by the next.
void Collector::CollectPoint(const std::wstring& id, dmis::IFeatureData& featureData, int j, int count)
{
    std::unique_ptr<dmis::IPoint> point;
    try {
        point = featureData.GetPoint(j, 12, 3, 13, L"", 0);
    } catch (const Error&) {
        Report();
        return;
    }

    for (int axis = 0; axis < 3; ++axis) {
        try {
            std::wstring text = form_.GetText(kShift[axis]);
            if (!text.empty())
                point->Set(axis, Finite(point->Get(axis) + ParseNumber(text, separator_)));
        } catch (const Error&) {
            Report();
        }
    }

    for (int axis = 0; axis < 3; ++axis) {
        try {
            if (form_.IsChecked(kMirror[axis]))
                point->Set(axis, Finite(point->Get(axis) * -1));
        } catch (const Error&) {
            Report();
        }
    }

    if (j == 1) {
        try {
            startPoint_ = cad::Point3{point->Get(0), point->Get(1), point->Get(2)};
        } catch (const Error&) {
            Report();
        }
    }

    try {
        if (form_.IsChecked(kDepth[0]) || form_.IsChecked(kDepth[1]) || form_.IsChecked(kDepth[2])) {
            // "Start Point" applies whenever "Zero" is not selected.
            const bool zero = form_.OptionValue(ControlId::Option3);
            for (int axis = 0; axis < 3; ++axis) {
                try {
                    if (!form_.IsChecked(kDepth[axis]))
                        continue;
                    if (zero)
                        point->Set(axis, 0);
                    else if (startPoint_)
                        point->Set(axis, (*startPoint_)[axis]);
                } catch (const Error&) {
                    Report();
                }
            }
        }
    } catch (const Error&) {
        Report();
    }

    std::optional<cad::Point3> listed;
    try {
        listed = cad::Point3{point->Get(0), point->Get(1), point->Get(2)};
        form_.ListAppend(ControlId::List1, FormatEntry(id, (*listed)[0], (*listed)[1], (*listed)[2], separator_));
    } catch (const Error&) {
        Report();
    }

    try {
        if (!form_.IsChecked(ControlId::Check4))
            return;
    } catch (const Error&) {
        Report();
        return;
    }
    if (!listed)
        return; // already reported: nothing to record
    // Not sized for this point (more than 10922 points, or Check4 ticked after the entry
    // began): that store is skipped. Tested, not thrown: past 10922 points every point
    // takes this path, and an exception each would cost more than the rest of the point.
    const std::size_t at = 3 * static_cast<std::size_t>(j - 1);
    if (at + 2 < spline_.fitPoints.size())
        std::copy(listed->begin(), listed->end(), spline_.fitPoints.begin() + static_cast<std::ptrdiff_t>(at));
    else
        Report();
    if (j == 1)
        spline_.startTangent = *listed;
    if (j == count)
        spline_.endTangent = *listed;
}

} // namespace

SplineData CollectFeatures(Form& form, WindowState& state, wchar_t decimalSeparator)
{
    return Collector(form, state, decimalSeparator).Run();
}

} // namespace tessaly
