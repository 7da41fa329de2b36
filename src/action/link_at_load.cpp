#include "action/link_at_load.h"

#include "base/convert.h"
#include "base/error.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

// Feature IDs: "F" and then nothing, or a character below "A" (digits, blank, most
// punctuation). Codes are compared, so the test is case-sensitive and locale-free.
bool IsFeatureId(const std::wstring& id)
{
    return !id.empty() && id[0] == L'F' && (id.size() == 1 || id[1] < L'A');
}

} // namespace

void LinkAtLoad(Form& form, WindowState& state, dmis::IConnector& dmis, wchar_t decimalSeparator)
{
    // Every step writes its result at once, so a failure keeps what came before it.
    try {
        state.dmisApp = dmis.CreateApplication();
        state.dmisMachine = state.dmisApp->MachineAt(1);
        form.SetCaption(ControlId::Label2, state.dmisMachine->MachineName());
        state.probeRadius = state.dmisApp->CurrentProgram()->OldBasic()->GetProbeRadius();
        form.SetText(ControlId::Text1, FormatFixed6(state.probeRadius * 2, decimalSeparator));
        const int count = ToInt16(state.dmisApp->CurrentProgram()->Commands()->Count(), "count");
        for (int i = 1; i <= count; ++i) {
            std::wstring id = state.dmisApp->CurrentProgram()->Commands()->Item(i)->ID();
            if (IsFeatureId(id))
                form.ListAppend(ControlId::List2, id);
        }
    } catch (const Error&) {
        form.SetCaption(ControlId::Label2, L"Can't Link to PC-DMIS");
    }
}

} // namespace tessaly
