#pragma once

// How the simulated cell makes itself known, as the two real applications do: the
// measuring application as a local server of "pcdlrn.application", the CAD application
// in the running object table under "AutoCAD.Application.15". Undone on destruction, the
// registry put back as it was (RegistryGuard).

#include "com/com.h"
#include "dmis/dmis.h"
#include "registry_guard_win.h"

namespace tessaly::cell {

class Registration {
public:
    // `measuring` null: no measuring application is installed. `cad` null: the CAD
    // application is installed but not running. `replaceForeign`: another program's
    // registration under the cell's keys is replaced while it runs, not refused.
    Registration(dmis::IConnector* measuring, IDispatch* cad, bool replaceForeign);
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration();

private:
    RegistryGuard guard_; // first: the keys go back after the classes are revoked
    com::Ptr<IClassFactory> factory_;
    DWORD classCookie_ = 0;
    DWORD runningCookie_ = 0;
    bool cadRunning_ = false;
};

} // namespace tessaly::cell
