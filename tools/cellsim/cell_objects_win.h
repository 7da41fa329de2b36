#pragma once

// The automation objects of the simulated cell, over the simulation classes.

#include <memory>

#include "cad/cad.h"
#include "com/com.h"
#include "dispatch_object_win.h"
#include "dmis/dmis.h"

namespace tessaly::cell {

// What a client gets when it creates "pcdlrn.application".
IDispatch* NewMeasuringApplication(std::unique_ptr<dmis::IApplication> app);

// The running CAD application, as put into the running object table.
IDispatch* NewCadApplication(std::unique_ptr<cad::IApplication> app);

} // namespace tessaly::cell
