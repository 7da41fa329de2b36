#pragma once

// The typical request, in one place for the end-to-end tests and the demo's driver:
// select F3, tick mirror Y and "Create Spline", choose "Spheres", press "Send To Acad";
// and what it leaves against the simulated cell's demo part program and drawing.

#include <string>
#include <vector>

#include "action/control_names.h"
#include "driving/tessaly_app_win.h"

namespace tessaly::driving {

inline constexpr const wchar_t* kTypicalFeature = L"F3";
// Ticked from the window's initial state, where neither is.
inline constexpr ControlId kTypicalTicks[] = {kMirror[1], kCreateSpline};
inline constexpr ControlId kTypicalPlotMode = kSpheres;

// The point list after the request.
inline const std::vector<std::wstring> kTypicalEntries{L"F3,X=10 Y=-20 Z=5", L"F3,X=12 Y=-21 Z=6"};

// The cell's drawing after the request, one entity a line as its "drawing" prints them
// (indent removed).
inline const std::vector<std::string> kTypicalDrawing{
    "box #1 colour 0",
    "sphere #2 centre (10, -20, 5) radius 2.5 colour 0 hyperlink F3",
    "sphere #3 centre (12, -21, 6) radius 2.5 colour 0 hyperlink F3",
    "spline #4 fit points 10 -20 5 12 -21 6 start tangent (10, -20, 5) end tangent (12, -21, 6) colour 0",
};

// The request's settings in the window; "Send To Acad" is the caller's.
inline void TypicalSettings(TessalyApp& app)
{
    app.SelectFeatures({kTypicalFeature});
    for (const ControlId tick : kTypicalTicks)
        app.SetChecked(tick, true);
    app.Click(kTypicalPlotMode);
}

} // namespace tessaly::driving
