#pragma once

#include "action/spline_data.h"
#include "dmis/dmis.h"
#include "action/form.h"
#include "action/window_state.h"

namespace tessaly {

// The collection stage of "Send To Acad", after the link to the measuring
// application stands: empties List1 and appends one entry per point of every
// selected feature of List2. Never throws: each failure shows the collection report,
// "Can't Get Feature " + Combo1's text in Label2, and collection goes on.
SplineData CollectFeatures(Form& form, WindowState& state, wchar_t decimalSeparator) noexcept;

} // namespace tessaly
