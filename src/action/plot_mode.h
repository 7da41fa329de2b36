#pragma once

#include "action/control_names.h"

namespace tessaly {

// How every point is drawn: the option buttons of the frame "Check Part With:".
enum class PlotMode { Circles, Spheres, SphereTolerance };

// Each plot mode and its option button, in the frame's order.
struct PlotModeControl {
    PlotMode mode;
    ControlId option;
};
inline constexpr PlotModeControl kPlotModes[] = {
    {PlotMode::Circles, kCircles},
    {PlotMode::Spheres, kSpheres},
    {PlotMode::SphereTolerance, kSphereTolerance},
};

} // namespace tessaly
