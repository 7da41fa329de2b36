#pragma once

#include <memory>

#include "dmis/dmis.h"

namespace tessaly::dmis {

// Creates the application (ids::kProgId) over COM. Windows only; needs an initialised
// single-threaded apartment on the calling thread.
std::unique_ptr<IConnector> MakeComConnector();

} // namespace tessaly::dmis
