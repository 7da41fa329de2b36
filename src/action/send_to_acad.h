#pragma once

#include "action/form.h"
#include "action/window_state.h"
#include "cad/cad.h"
#include "dmis/dmis.h"

namespace tessaly {

// The "Send To Acad" action: link to the measuring application, collect the selected
// features' points into List1, then draw them into the running CAD application.
// Never throws: every failure goes to the report armed at that moment.
void SendToAcad(Form& form, WindowState& state, dmis::IConnector& dmis, cad::IConnector& cad,
                wchar_t decimalSeparator) noexcept;

} // namespace tessaly
