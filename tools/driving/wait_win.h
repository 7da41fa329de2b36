#pragma once

// Bounded polling: every wait of the end-to-end tests and tools ends, and says what it
// waited for.

#include <windows.h>

#include <chrono>
#include <string>

#include "base/error.h"

namespace tessaly::driving {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Long enough for a cold Wine to start a program, short enough to fail a hung one.
inline constexpr Milliseconds kWaitTimeout{20000};

// Polls `done` until it returns true; throws Error("timed out after N ms waiting for
// <what>") when the time is up. The first poll comes at once, later ones 2 ms apart:
// a message box under Wine appears within a few milliseconds.
template <class Predicate>
void WaitUntil(Predicate&& done, const std::string& what, Milliseconds timeout = kWaitTimeout)
{
    const auto end = Clock::now() + timeout;
    for (;;) {
        if (done())
            return;
        if (Clock::now() >= end)
            throw Error("timed out after " + std::to_string(timeout.count()) + " ms waiting for " + what);
        Sleep(2);
    }
}

} // namespace tessaly::driving
