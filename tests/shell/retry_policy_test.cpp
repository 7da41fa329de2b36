#include "shell/retry_policy.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(RetryPause, RetryLaterIsRetriedUntilTheBoundAndARejectionNever)
{
    const struct {
        Rejection rejection;
        unsigned waitedMs;
        std::optional<unsigned> pause;
    } rows[] = {
        {Rejection::RetryLater, 0, kRetryPauseMs},
        {Rejection::RetryLater, kRetryBoundMs - 1, kRetryPauseMs},
        {Rejection::RetryLater, kRetryBoundMs, std::nullopt},
        {Rejection::RetryLater, 0xFFFFFFFFu, std::nullopt},
        {Rejection::Rejected, 0, std::nullopt},
        {Rejection::Rejected, kRetryBoundMs - 1, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RetryPause(row.rejection, row.waitedMs), row.pause)
            << (row.rejection == Rejection::RetryLater ? "retry later" : "rejected") << " after " << row.waitedMs
            << " ms";
}

} // namespace
} // namespace tessaly
