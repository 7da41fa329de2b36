#pragma once

// The floor of every automation call: one empty round trip to the simulated cell, timed
// from this process. The cheapest member there is (a put of the CAD application's
// Visible), by DISPID, so each call is exactly one round trip.

#include "com/com.h"

namespace tessaly::benchcom {

class Probe {
public:
    // Finds the CAD application in the running object table and its member's DISPID.
    Probe();
    // The mean time of one round trip over `calls` calls, in seconds.
    double RoundTrip(int calls);
    // The calls of one point of "Spheres", made from here by name as tessaly.exe makes
    // them (model space, the sphere, its hyperlinks, the hyperlink, the update), `points`
    // times at a spot clear of the part. Seconds per point.
    double SpherePoints(int points);

private:
    com::Ptr<IDispatch> app_;
    DISPID visible_ = DISPID_UNKNOWN;
};

} // namespace tessaly::benchcom
