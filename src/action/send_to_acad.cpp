#include "action/send_to_acad.h"

#include "base/error.h"
#include "action/cad_output.h"
#include "action/collect.h"

namespace tessaly {

void SendToAcad(Form& form, WindowState& state, dmis::IConnector& dmis, cad::IConnector& cad,
                wchar_t decimalSeparator)
{
    // Link report: "Can't Link to PC-DMIS" ends the action; List1 keeps the last run's
    // entries and nothing is drawn.
    try {
        state.dmisApp = dmis.CreateApplication();
        state.dmisMachine = state.dmisApp->MachineAt(1);
        form.SetCaption(ControlId::Label2, state.dmisMachine->MachineName());
    } catch (const Error&) {
        form.SetCaption(ControlId::Label2, L"Can't Link to PC-DMIS");
        return;
    }

    // Collection report, then the CAD reports: each stage arms and runs its own.
    const SplineData spline = CollectFeatures(form, state, decimalSeparator);
    DrawIntoCad(form, state, cad, spline, decimalSeparator);
}

} // namespace tessaly
