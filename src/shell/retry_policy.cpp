#include "shell/retry_policy.h"

namespace tessaly {

std::optional<unsigned> RetryPause(Rejection rejection, unsigned waitedMs, bool closing) noexcept
{
    if (closing || rejection != Rejection::RetryLater || waitedMs >= kRetryBoundMs)
        return std::nullopt;
    return kRetryPauseMs;
}

} // namespace tessaly
