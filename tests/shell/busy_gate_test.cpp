#include "shell/busy_gate.h"

#include <string>

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// What arrives during a handler, as another program's messages reach the window while a
// call waits: a second handler, the load again, a close.
TEST(BusyGate, NothingNestsTheLoadRunsOnceAndACloseWaitsForTheHandler)
{
    BusyGate gate;
    std::string ran;
    EXPECT_TRUE(gate.TakeLoad());
    const bool closeNow = gate.Run([&] {
        ran += "outer ";
        EXPECT_FALSE(gate.TakeLoad()) << "the load again, during the handler";
        EXPECT_FALSE(gate.Run([&] { ran += "nested "; }));
        EXPECT_FALSE(gate.AskClose()) << "held for the running handler";
        EXPECT_TRUE(gate.CloseAsked());
    });
    EXPECT_EQ(ran, "outer ");
    EXPECT_TRUE(closeNow) << "the held close is carried out when the handler returns";
    EXPECT_FALSE(gate.TakeLoad());

    BusyGate idle;
    EXPECT_TRUE(idle.AskClose()) << "no handler runs: the window goes at once";
    EXPECT_FALSE(idle.Run([] {})) << "a handler that saw no close";

    // The window's end: what arrives during the releases runs nothing, then or later.
    BusyGate ending;
    ending.End([&] {
        EXPECT_FALSE(ending.Run([&] { ran += "during the end "; }));
        EXPECT_FALSE(ending.AskClose());
        EXPECT_FALSE(ending.CloseAsked()) << "the close under way is the only one";
    });
    EXPECT_TRUE(ending.Ending());
    EXPECT_FALSE(ending.Run([&] { ran += "after the end "; }));
    EXPECT_EQ(ran, "outer ");
}

} // namespace
} // namespace tessaly
