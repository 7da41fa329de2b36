#pragma once

#include "cad/cad.h"
#include "action/spline_data.h"
#include "action/form.h"
#include "action/window_state.h"

namespace tessaly {

// The CAD stage of "Send To Acad": link to the running CAD application, find the PART
// solid for "Sphere Tolerance", draw every entry of List1, then the spline. Never
// throws: a failure runs the report armed at that moment and ends the stage.
void DrawIntoCad(Form& form, WindowState& state, cad::IConnector& cad, const SplineData& spline,
                 wchar_t decimalSeparator) noexcept;

} // namespace tessaly
