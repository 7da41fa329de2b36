#pragma once

#include <utility>

namespace tessaly {

// What the window lets run while a handler waits in a call to another application. The
// wait runs a message loop, where messages that other programs send are delivered: the
// load message, a click, a close. Handlers never nest, the load runs once per window,
// and a close is held until the running handler has returned.
class BusyGate {
public:
    // True the first time only: the load handler runs once, whatever sends its message again.
    bool TakeLoad() noexcept { return !std::exchange(loaded_, true); }

    // Runs `handler` (which never throws) unless another handler runs. True when a close
    // arrived meanwhile: the window is to go now.
    template <class Handler>
    bool Run(Handler&& handler) noexcept
    {
        if (busy_)
            return false;
        busy_ = true;
        std::forward<Handler>(handler)();
        busy_ = false;
        return closeAsked_;
    }

    // A close: true when the window may go now; otherwise it is held for the running
    // handler, which sees CloseAsked() and stops at its next step.
    bool AskClose() noexcept
    {
        if (ending_)
            return false; // the window is going already
        if (!busy_)
            return true;
        closeAsked_ = true;
        return false;
    }

    bool CloseAsked() const noexcept { return closeAsked_; }

    // Runs `release` (which never throws) as the window ends, with the gate held for good:
    // each release is a round trip in which messages are delivered, and none of them runs
    // a handler or starts another close.
    template <class Release>
    void End(Release&& release) noexcept
    {
        busy_ = true;
        ending_ = true;
        std::forward<Release>(release)();
    }
    bool Ending() const noexcept { return ending_; }

private:
    bool loaded_ = false;
    bool busy_ = false;
    bool closeAsked_ = false;
    bool ending_ = false;
};

} // namespace tessaly
