#pragma once

// Every call that reaches the simulated cell from another process, counted where COM
// hands it to the cell: calls on its automation objects (name lookups and invokes alike)
// and calls on COM's own remote IUnknown (queries, and releases of a client's last
// reference). One such call is one round trip for the client.

#include <string>

namespace tessaly::cell {

class RoundTrips {
public:
    // Counts from now on, for the whole process. Call once, in the apartment that serves.
    static void Install();
    // "round trips: T (automation D, remote IUnknown U, other O)"
    static std::wstring Report();
};

} // namespace tessaly::cell
