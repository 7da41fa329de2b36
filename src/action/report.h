#pragma once

#include <cstddef>
#include <iterator>
#include <utility>

namespace tessaly {

// Every text the action shows the user: the failure reports (a caption of the status
// line Label2, or a message box) and its two warnings.
enum class ReportText {
    DmisLink,       // Label2: the link to the measuring application failed
    Collection,     // Label2, followed by Combo1's text: a feature or point failed
    CadLink,        // Label2: the CAD link, or a later step under its report, failed
    PartGroup,      // message box: a step under the PART group's report failed
    BadProbeRadius, // message box: a probe radius below 0.001; the entry is still drawn
    H,              // message box, followed by the number found: one per matching row of hTable
    Count
};

// clang-format off
inline constexpr const wchar_t* kReportTexts[] = {
    L"Can't Link to PC-DMIS",               // DmisLink
    L"Can't Get Feature ",                  // Collection
    L"Can't Link to AutoCAD",               // CadLink
    L"Need Defined Group 'Part' for Check", // PartGroup
    L"Bad probe_radius",                    // BadProbeRadius
    L"h=",                                  // H
};
// clang-format on
static_assert(std::size(kReportTexts) == static_cast<std::size_t>(ReportText::Count), "one text per ReportText");

constexpr const wchar_t* TextOf(ReportText text)
{
    return kReportTexts[static_cast<std::size_t>(text)];
}

// Shows a failure report. Showing it never throws: when the window cannot show the
// report either (the window is gone, or no memory is left for its text), nothing else
// could tell the user, and the action ends or goes on as the report says.
template <class Show>
void ShowReport(Show&& show) noexcept
{
    try {
        std::forward<Show>(show)();
    } catch (...) {
    }
}

} // namespace tessaly
