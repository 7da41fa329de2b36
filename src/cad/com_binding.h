#pragma once

#include <memory>

#include "cad/cad.h"

namespace tessaly::cad {

// Attaches to the running application (ids::kProgId) over COM. Windows only; needs an
// initialised single-threaded apartment on the calling thread.
// A text answered where a number belongs is read with `decimalSeparator`, the one the
// window reads its own texts with (the program passes the user's).
std::unique_ptr<IConnector> MakeComConnector(wchar_t decimalSeparator = L'.');

} // namespace tessaly::cad
