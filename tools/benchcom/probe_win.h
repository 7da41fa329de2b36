#pragma once

// The floor of every automation call: one empty round trip to the simulated cell, timed
// from this process. The cheapest member there is (a put of the CAD application's
// Visible), by DISPID, so each call is exactly one round trip.

#include "com/com.h"

namespace tessaly::benchcom {

// What each kind of round trip the cell counts costs, timed from this process. A call
// that hands out a new object costs more than an empty one (the object is marshaled
// here, and released later), and a query for a typed interface more again (a proxy and
// a stub are built from the type library).
struct KindCosts {
    double name = 0;   // a name lookup
    double invoke = 0; // an empty call
    double object = 0; // a call that hands out a new object, and the release of it
    double query = 0;  // a query of a new object for a typed interface
};

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
    // Each kind's cost, over `calls` calls of each. Uses the measuring application's
    // feature F10, whose points are new objects at every call.
    KindCosts Kinds(int calls);

private:
    com::Ptr<IDispatch> app_;
    DISPID visible_ = DISPID_UNKNOWN;
    com::Ptr<IDispatch> featureData_;
};

} // namespace tessaly::benchcom
