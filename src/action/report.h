#pragma once

#include <utility>

namespace tessaly {

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
