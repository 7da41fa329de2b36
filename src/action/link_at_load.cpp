#include "action/link_at_load.h"

#include "action/report.h"
#include "base/convert.h"
#include "pointlist/number_text.h"

namespace tessaly {

namespace {

// Feature IDs: "F" and then nothing, or a character below "A" (digits, blank, most
// punctuation). Codes are compared, so the test is case-sensitive and locale-free. An ID
// with a NUL inside is none: the list would show and hand back only the text before it,
// another feature's ID.
bool IsFeatureId(const std::wstring& id)
{
    return !id.empty() && id[0] == L'F' && (id.size() == 1 || id[1] < L'A') && id.find(L'\0') == std::wstring::npos;
}

} // namespace

void LinkToDmis(Form& form, WindowState& state, dmis::IConnector& dmis)
{
    state.dmisApp = dmis.CreateApplication();
    state.dmisMachine = state.dmisApp->MachineAt(1);
    form.SetCaption(kStatusLine, state.dmisMachine->MachineName());
}

void ShowDmisLinkReport(Form& form) noexcept
{
    ShowReport([&] { form.SetCaption(kStatusLine, TextOf(ReportText::DmisLink)); });
}

void LinkAtLoad(Form& form, WindowState& state, dmis::IConnector& dmis, wchar_t decimalSeparator) noexcept
{
    // The link report is armed for the whole load. Every step writes its result at
    // once, so a failure keeps what came before it.
    try {
        LinkToDmis(form, state, dmis);
        state.probeRadius = state.dmisApp->CurrentProgram()->OldBasic()->GetProbeRadius();
        form.SetText(kProbeDiameter, FormatFixed6(state.probeRadius * 2, decimalSeparator));
        const int count = ToInt16(state.dmisApp->CurrentProgram()->Commands()->Count(), "count");
        for (int i = 1; i <= count && !form.Closing(); ++i) {
            std::wstring id = state.dmisApp->CurrentProgram()->Commands()->Item(i)->ID();
            if (IsFeatureId(id))
                form.ListAppend(kFeatureList, id);
        }
    } catch (...) {
        ShowDmisLinkReport(form);
    }
}

} // namespace tessaly
