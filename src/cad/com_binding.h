#pragma once

#include <memory>

#include "cad/cad.h"

namespace tessaly::cad {

// Attaches to the running application (ids::kProgId) over COM. Windows only; needs an
// initialised single-threaded apartment on the calling thread.
std::unique_ptr<IConnector> MakeComConnector();

} // namespace tessaly::cad
