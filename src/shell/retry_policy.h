#pragma once

#include <optional>

namespace tessaly {

// How a call that the other application turned away is retried. An automation server
// that cannot take a call now (the CAD application while a command or a dialog of its
// own is active) answers "retry later"; the call is then made again after a short pause,
// silently, until it has waited kRetryBoundMs in all. A server that rejects the call
// outright is not asked again.
enum class Rejection { RetryLater, Rejected };

// The pause between tries. COM waits that long before it makes the call again; a value
// below 100 would retry at once and spin.
constexpr unsigned kRetryPauseMs = 250;
static_assert(kRetryPauseMs >= 100, "COM retries at once below 100 ms");
// As long as the environments of this program's era waited before they gave up: long
// enough for a short command of the other application to end, short enough for a user
// waiting at the machine.
constexpr unsigned kRetryBoundMs = 10000;

// The pause before the next try, or nothing when the call is to fail now. `waitedMs`
// is the time since the call was first made. Once the window is `closing`, nothing is
// retried: the user has asked it to go, and it goes within a pause of COM's.
std::optional<unsigned> RetryPause(Rejection rejection, unsigned waitedMs, bool closing) noexcept;

// What the filter answers a message that arrives while a call waits. Without a close the
// call is waited for, however long the application holds it. Once a close is pending, a
// call that has waited kCancelAfterMs since the close (and since it was made: the
// releases at the window's end are calls too, and mostly come back at once) is
// cancelled, and one that has waited kGiveUpAfterMs is left to the application: the
// window and the process end without it.
enum class Pending { Wait, Cancel, GiveUp };
constexpr unsigned kCancelAfterMs = 150;
constexpr unsigned kGiveUpAfterMs = 400;

// `closeAskedAtMs` and `nowMs` are tick counts (they may wrap); `callWaitedMs` is the
// time since the call was made.
Pending PendingAnswer(std::optional<unsigned> closeAskedAtMs, unsigned nowMs, unsigned callWaitedMs) noexcept;

} // namespace tessaly
