#pragma once

// How the simulated cell makes itself known, as the two real applications do: the
// measuring application as a local server of "pcdlrn.application", the CAD application
// in the running object table under "AutoCAD.Application.15". Undone on destruction.

#include "com/com.h"
#include "dmis/dmis.h"

namespace tessaly::cell {

class Registration {
public:
    // `measuring` null: no measuring application is installed. `cad` null: the CAD
    // application is installed but not running.
    Registration(dmis::IConnector* measuring, IDispatch* cad);
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration();

private:
    com::Ptr<IClassFactory> factory_;
    DWORD classCookie_ = 0;
    DWORD runningCookie_ = 0;
    bool cadRunning_ = false;
};

} // namespace tessaly::cell
