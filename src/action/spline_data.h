#pragma once

#include <vector>

#include "cad/cad.h"

namespace tessaly {

// The points of the last feature collected with "Create Spline" checked; lives for
// one action.
struct SplineData {
    std::vector<double> fitPoints; // x, y, z per point
    cad::Point3 startTangent{};
    cad::Point3 endTangent{};
};

} // namespace tessaly
