#include "shell/retry_policy.h"

#include <algorithm>

namespace tessaly {

std::optional<unsigned> RetryPause(Rejection rejection, unsigned waitedMs, bool closing) noexcept
{
    if (closing || rejection != Rejection::RetryLater || waitedMs >= kRetryBoundMs)
        return std::nullopt;
    return kRetryPauseMs;
}

Pending PendingAnswer(std::optional<unsigned> closeAskedAtMs, unsigned nowMs, unsigned callWaitedMs) noexcept
{
    if (!closeAskedAtMs)
        return Pending::Wait;
    const unsigned since = std::min(nowMs - *closeAskedAtMs, callWaitedMs);
    if (since >= kGiveUpAfterMs)
        return Pending::GiveUp;
    return since >= kCancelAfterMs ? Pending::Cancel : Pending::Wait;
}

} // namespace tessaly
