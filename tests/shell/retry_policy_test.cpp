#include "shell/retry_policy.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(RetryPause, RetryLaterIsRetriedUntilTheBoundOrACloseAndARejectionNever)
{
    const struct {
        Rejection rejection;
        unsigned waitedMs;
        bool closing;
        std::optional<unsigned> pause;
    } rows[] = {
        {Rejection::RetryLater, 0, false, kRetryPauseMs},
        {Rejection::RetryLater, kRetryBoundMs - 1, false, kRetryPauseMs},
        {Rejection::RetryLater, kRetryBoundMs, false, std::nullopt},
        {Rejection::RetryLater, 0xFFFFFFFFu, false, std::nullopt},
        {Rejection::Rejected, 0, false, std::nullopt},
        {Rejection::Rejected, kRetryBoundMs - 1, false, std::nullopt},
        // A close asked for: the window goes, nothing waits for the application.
        {Rejection::RetryLater, 0, true, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RetryPause(row.rejection, row.waitedMs, row.closing), row.pause)
            << (row.rejection == Rejection::RetryLater ? "retry later" : "rejected") << " after " << row.waitedMs
            << " ms" << (row.closing ? ", closing" : "");
}

} // namespace
} // namespace tessaly
