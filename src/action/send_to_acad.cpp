#include "action/send_to_acad.h"

#include "action/cad_output.h"
#include "action/collect.h"
#include "action/link_at_load.h"

namespace tessaly {

void SendToAcad(Form& form, WindowState& state, dmis::IConnector& dmis, cad::IConnector& cad,
                wchar_t decimalSeparator) noexcept
{
    // The link report ends the action: List1 keeps the last run's entries and nothing
    // is drawn.
    try {
        LinkToDmis(form, state, dmis);
    } catch (...) {
        ShowDmisLinkReport(form);
        return;
    }

    // The collection report, then the CAD reports: each stage arms and runs its own.
    // A close asked for meanwhile ends the action between steps, and no report is shown
    // for it: closing is no failure.
    if (form.Closing())
        return;
    const SplineData spline = CollectFeatures(form, state, decimalSeparator);
    if (form.Closing())
        return;
    DrawIntoCad(form, state, cad, spline, decimalSeparator);
}

} // namespace tessaly
