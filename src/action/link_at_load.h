#pragma once

#include "action/form.h"
#include "action/window_state.h"
#include "dmis/dmis.h"

namespace tessaly {

// The link to the measuring application, at window load and again at every "Send To
// Acad": creates the application, takes machine 1 and shows its name in Label2.
// Throws on failure; whatever was set before the failure stays.
void LinkToDmis(Form& form, WindowState& state, dmis::IConnector& dmis);

// The report of a failed link: "Can't Link to PC-DMIS" in Label2.
void ShowDmisLinkReport(Form& form) noexcept;

// The load handler's link: LinkToDmis, then the probe diameter into Text1 and the kept
// feature IDs into List2. A failure shows the link report and keeps whatever was set
// before it.
void LinkAtLoad(Form& form, WindowState& state, dmis::IConnector& dmis, wchar_t decimalSeparator) noexcept;

} // namespace tessaly
