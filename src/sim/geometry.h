#pragma once

#include "cad/cad.h"

namespace tessaly::sim {

// Overlap volumes of the simulated drawing's solids.
double SphereBoxOverlap(const cad::Point3& centre, double radius, const cad::Point3& boxMin, const cad::Point3& boxMax);
double SphereSphereOverlap(const cad::Point3& c1, double r1, const cad::Point3& c2, double r2);
double BoxBoxOverlap(const cad::Point3& min1, const cad::Point3& max1, const cad::Point3& min2,
                     const cad::Point3& max2);

} // namespace tessaly::sim
