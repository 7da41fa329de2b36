#include "shell/retry_policy.h"

#include <string>

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

TEST(PendingAnswer, AHeldCallIsWaitedForUntilACloseThenCancelledThenGivenUp)
{
    const struct {
        std::optional<unsigned> closeAskedAt;
        unsigned now;
        unsigned callWaited;
        Pending answer;
    } rows[] = {
        {std::nullopt, 0, 0xFFFFFFFFu, Pending::Wait},
        {1000, 1000, 60000, Pending::Wait},
        {1000, 1000 + kCancelAfterMs - 1, 60000, Pending::Wait},
        {1000, 1000 + kCancelAfterMs, 60000, Pending::Cancel},
        {1000, 1000 + kGiveUpAfterMs - 1, 60000, Pending::Cancel},
        {1000, 1000 + kGiveUpAfterMs, 60000, Pending::GiveUp},
        // A call made after the close (a release) is timed from when it was made.
        {1000, 1000 + 5000, kCancelAfterMs - 1, Pending::Wait},
        {1000, 1000 + 5000, kGiveUpAfterMs, Pending::GiveUp},
        // The tick count wraps after 49.7 days.
        {0xFFFFFFFFu - 10, kGiveUpAfterMs, 60000, Pending::GiveUp},
        {0xFFFFFFFFu - 10, 5, 60000, Pending::Wait},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PendingAnswer(row.closeAskedAt, row.now, row.callWaited), row.answer)
            << "close at " << (row.closeAskedAt ? std::to_string(*row.closeAskedAt) : "none") << ", now " << row.now
            << ", the call made " << row.callWaited << " ms ago";
}

} // namespace
} // namespace tessaly
