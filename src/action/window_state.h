#pragma once

#include <memory>

#include "cad/cad.h"
#include "dmis/dmis.h"

namespace tessaly {

// The fields the main window holds for the program's lifetime. Each reference is
// replaced when the load handler or an action sets it again, and released when the
// window goes.
struct WindowState {
    std::unique_ptr<dmis::IApplication> dmisApp;
    std::unique_ptr<dmis::IMachine> dmisMachine;
    std::unique_ptr<cad::IApplication> acadApp;
    std::unique_ptr<cad::IDocument> acadDoc;
    std::unique_ptr<cad::IEntity> lastCircle;
    double probeRadius = 0;
};

} // namespace tessaly
