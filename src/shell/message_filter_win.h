#pragma once

#include <windows.h>

#include <objbase.h>

namespace tessaly {

// What the window does for the filter, on the window's thread, from inside a call's wait.
class HeldCallWindow {
public:
    // A call waits, no close pending yet: COM's loop takes a posted WM_QUIT and posts it
    // again once the call is back, so a quit posted meanwhile is to be looked for now.
    virtual void onCallWaits() noexcept = 0;
    // A call has waited longer than a moment (kCallHeldAfterMs), no close pending yet: a
    // close the user gave meanwhile waits in the queue (CloseQueued).
    virtual void onCallHeld() noexcept = 0;
    // A close is pending and the call has not come back: the window and the process end
    // without it. Does not return.
    virtual void onGiveUpCall() noexcept = 0;

protected:
    ~HeldCallWindow() = default;
};

// The program's COM message filter, registered on the window's thread for as long as
// this object lives; the filter that was there before is put back at the end.
//
// Outgoing calls: one the other application answers with "retry later" is made again
// (RetryPause); one it rejects fails at once, into the report armed at that moment.
// While a call waits, COM's default handling of the window's messages stands: sent
// messages are delivered (another program's WM_CLOSE or BM_CLICK among them, which
// Form1 defers or ignores while a handler runs), paint and activation messages are
// dispatched, mouse and keyboard input is not. Once a call has waited longer than a
// moment, the window looks in its queue for a close; once a close is pending, a call the
// application holds is cancelled, then given up (PendingAnswer).
class MessageFilterRegistration {
public:
    explicit MessageFilterRegistration(HeldCallWindow& window) noexcept;
    ~MessageFilterRegistration();
    MessageFilterRegistration(const MessageFilterRegistration&) = delete;
    MessageFilterRegistration& operator=(const MessageFilterRegistration&) = delete;

    // False when COM refused it (no single-threaded apartment on this thread).
    bool Registered() const noexcept { return registered_; }
    // The window is closing: a call turned away is not tried again, nobody waits for a
    // call's result, and messages are posted to `window` so that a call that waits
    // hears of it (the filter runs only when a message arrives).
    void CloseAsked(HWND window) noexcept;

private:
    bool registered_ = false;
    IMessageFilter* previous_ = nullptr;
};

// True when a close of `window` waits in this thread's queue (HoldsClose), looked for
// with PeekMessage without PM_REMOVE: nothing is taken, input and posted messages stay.
bool CloseQueued(HWND window, HWND closeButton) noexcept;

// For as long as it lives (a handler that calls the applications), a thread posts a
// wake to `window` every kActionWakeEveryMs: COM's wait calls MessagePending only when
// it wakes, and under Wine no input wakes it, nor a message posted before the call had
// waited long enough. The filter takes the wakes back. Idle, nothing is posted.
class ActionWake {
public:
    explicit ActionWake(HWND window) noexcept;
    ~ActionWake();
    ActionWake(const ActionWake&) = delete;
    ActionWake& operator=(const ActionWake&) = delete;

private:
    // The thread: lives no longer than this object, whose destructor waits for it.
    static DWORD WINAPI Run(void* self);

    HWND window_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

} // namespace tessaly
