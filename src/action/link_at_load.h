#pragma once

#include "dmis/dmis.h"
#include "action/form.h"
#include "action/window_state.h"

namespace tessaly {

// The load handler's link to the measuring application: machine name into Label2,
// the probe diameter into Text1, the kept feature IDs into List2. A failure shows
// "Can't Link to PC-DMIS" in Label2 and keeps whatever was set before it.
void LinkAtLoad(Form& form, WindowState& state, dmis::IConnector& dmis, wchar_t decimalSeparator);

} // namespace tessaly
