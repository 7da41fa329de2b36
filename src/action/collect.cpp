#include "action/collect.h"

#include <algorithm>
#include <optional>

#include "action/report.h"
#include "base/convert.h"
#include "base/error.h"
#include "pointlist/entry.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

class Collector {
public:
    Collector(Form& form, WindowState& state, wchar_t decimalSeparator)
        : form_(form), state_(state), separator_(decimalSeparator)
    {}

    SplineData Run() noexcept;

private:
    void CollectPoint(const std::wstring& id, dmis::IFeatureData& featureData, int j) noexcept;

    // The collection report, armed for the whole stage: one step of collection runs
    // under it. Report and go on: a failing step shows the report, and collection
    // continues with the next step, point or entry; a failed step is not made again.
    // True when the step succeeded.
    template <class Step>
    bool UnderCollectionReport(Step&& step) noexcept
    {
        try {
            step();
            return true;
        } catch (...) {
            ShowCollectionReport();
            return false;
        }
    }
    void ShowCollectionReport() noexcept
    {
        ShowReport(
            [&] { form_.SetCaption(kStatusLine, TextOf(ReportText::Collection) + form_.GetText(kPlotFeature)); });
    }

    Form& form_;
    WindowState& state_;
    wchar_t separator_;
    SplineData spline_;
    // True while the current entry's spline data was started at its sizing: only then
    // are its points recorded.
    bool splineSized_ = false;
    // Once List1 has refused an entry, a point that no spline records goes nowhere.
    bool listRefused_ = false;
    // Point 1 of the current entry after shift and mirror; empty while point 1 has not
    // been read, so "Start Point" never borrows the previous entry's.
    std::optional<cad::Point3> startPoint_;
};

SplineData Collector::Run() noexcept
{
    UnderCollectionReport([&] { form_.ListClear(kPointList); });
    int entries = 0; // a count that cannot be read collects nothing
    UnderCollectionReport([&] { entries = form_.ListCount(kFeatureList); });

    std::unique_ptr<dmis::ICommands> commands; // empty: every selected entry fails its lookup
    UnderCollectionReport([&] { commands = state_.dmisApp->CurrentProgram()->Commands(); });

    for (int i = 0; i < entries && !form_.Closing(); ++i) {
        std::wstring id;
        std::unique_ptr<dmis::ICommand> command;
        UnderCollectionReport([&] {
            if (!form_.ListSelected(kFeatureList, i))
                return;
            id = form_.ListItem(kFeatureList, i);
            if (id.empty())
                return;
            if (!commands)
                throw Error("no part program commands");
            command = commands->CommandByID(id);
        });
        if (!command)
            continue; // not selected, empty, or reported

        UnderCollectionReport([&] { form_.SetCaption(kStatusLine, state_.dmisMachine->MachineName()); });

        bool feature = true; // a default value that cannot be read is reported, and the entry goes on
        UnderCollectionReport([&] { feature = !command->DefaultValue().empty(); });
        if (!feature)
            continue; // not a feature: no points, no message

        std::unique_ptr<dmis::IFeatureData> featureData;
        int count = 0;
        if (!UnderCollectionReport([&] {
                featureData = command->FeatureData();
                count = ToInt16(featureData->PointCount(), "PointCount");
            }))
            continue;

        startPoint_.reset();
        splineSized_ = false;
        UnderCollectionReport([&] {
            if (form_.IsChecked(kCreateSpline)) {
                // This entry's spline replaces the last one's, even when none of its
                // points can be read.
                spline_ = SplineData{};
                const int places = ToInt16(3 * count, "spline fit points");
                if (places < 0)
                    throw Error("negative point count");
                spline_.fitPoints.reserve(static_cast<std::size_t>(places));
                splineSized_ = true;
            }
        });

        for (int j = 1; j <= count && !form_.Closing(); ++j)
            CollectPoint(id, *featureData, j);
    }
    return std::move(spline_);
}

// Read, shift, mirror, start point, change depth, list, spline: each change is
// written into the point object at once and read back from it by the next.
void Collector::CollectPoint(const std::wstring& id, dmis::IFeatureData& featureData, int j) noexcept
{
    if (listRefused_) {
        // The point cannot be listed; unless the spline records it, reading it is a
        // dozen round trips for nothing. It fails as its append would.
        bool spline = false;
        if (!UnderCollectionReport([&] { spline = form_.IsChecked(kCreateSpline); }) || !spline || !splineSized_) {
            ShowCollectionReport();
            return;
        }
    }

    std::unique_ptr<dmis::IPoint> point;
    if (!UnderCollectionReport([&] { point = featureData.GetPoint(j, 12, 3, 13, L"", 0); }))
        return;

    for (int axis = 0; axis < 3; ++axis) {
        UnderCollectionReport([&] {
            // A shift or mirror whose result is no longer a finite double is not made.
            std::wstring text = form_.GetText(kShift[axis]);
            if (!text.empty())
                point->Set(axis, Finite(point->Get(axis) + ParseNumber(text, separator_), "shifted coordinate"));
        });
    }

    for (int axis = 0; axis < 3; ++axis) {
        UnderCollectionReport([&] {
            if (form_.IsChecked(kMirror[axis]))
                point->Set(axis, Finite(point->Get(axis) * -1, "mirrored coordinate"));
        });
    }

    if (j == 1)
        UnderCollectionReport([&] {
            // A coordinate that is not finite is a failed read: no start point, and
            // nothing of it is ever written back.
            startPoint_ =
                cad::Point3{Finite(point->Get(0), "X"), Finite(point->Get(1), "Y"), Finite(point->Get(2), "Z")};
        });

    bool changeDepth = false;
    bool zero = false; // "Start Point" applies whenever "Zero" is not selected
    if (UnderCollectionReport([&] {
            changeDepth = form_.IsChecked(kChangeDepth[0]) || form_.IsChecked(kChangeDepth[1]) ||
                          form_.IsChecked(kChangeDepth[2]);
            zero = changeDepth && form_.OptionValue(kDepthZero);
        }) &&
        changeDepth) {
        for (int axis = 0; axis < 3; ++axis) {
            UnderCollectionReport([&] {
                if (!form_.IsChecked(kChangeDepth[axis]))
                    return;
                if (zero)
                    point->Set(axis, 0);
                else if (startPoint_)
                    point->Set(axis, (*startPoint_)[axis]);
            });
        }
    }

    // Read before the entry is appended: a point read but not listed is still
    // recorded for the spline.
    std::optional<cad::Point3> listed;
    UnderCollectionReport([&] {
        // The application may answer NaN or an infinity: such a point has no entry
        // text, and it must not reach the spline either.
        listed = cad::Point3{Finite(point->Get(0), "X"), Finite(point->Get(1), "Y"), Finite(point->Get(2), "Z")};
        const std::wstring entry = FormatEntry(id, (*listed)[0], (*listed)[1], (*listed)[2], separator_);
        try {
            form_.ListAppend(kPointList, entry);
        } catch (...) {
            listRefused_ = true;
            throw;
        }
    });

    bool spline = false;
    if (!UnderCollectionReport([&] { spline = form_.IsChecked(kCreateSpline); }) || !spline)
        return;
    if (!listed)
        return; // not read, already reported: it shapes nothing
    // Not sized for this entry (more than 10922 points, or Check4 ticked after the entry
    // began): the point is not recorded. Tested, not thrown: past 10922 points every
    // point takes this path, and an exception each would cost more than the rest of it.
    if (!splineSized_) {
        ShowCollectionReport();
        return;
    }
    // The points that were read, in order; the tangents are the first and the last.
    if (spline_.fitPoints.empty())
        spline_.startTangent = *listed;
    spline_.fitPoints.insert(spline_.fitPoints.end(), listed->begin(), listed->end());
    spline_.endTangent = *listed;
}

} // namespace

SplineData CollectFeatures(Form& form, WindowState& state, wchar_t decimalSeparator) noexcept
{
    return Collector(form, state, decimalSeparator).Run();
}

} // namespace tessaly
