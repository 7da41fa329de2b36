#pragma once

#include <windows.h>

#include <objbase.h>

namespace tessaly {

// The program's COM message filter, registered on the window's thread for as long as
// this object lives; the filter that was there before is put back at the end.
//
// Outgoing calls: one the other application answers with "retry later" is made again
// (RetryPause); one it rejects fails at once, into the report armed at that moment.
// While a call waits, COM's default handling of the window's messages stands: sent
// messages are delivered (another program's WM_CLOSE or BM_CLICK among them, which
// Form1 defers or ignores while a handler runs), paint and activation messages are
// dispatched, mouse and keyboard input is not.
class MessageFilterRegistration {
public:
    MessageFilterRegistration() noexcept;
    ~MessageFilterRegistration();
    MessageFilterRegistration(const MessageFilterRegistration&) = delete;
    MessageFilterRegistration& operator=(const MessageFilterRegistration&) = delete;

    // False when COM refused it (no single-threaded apartment on this thread).
    bool Registered() const noexcept { return registered_; }
    // From now on a call turned away is not tried again: the window is closing, and
    // nobody waits for the call's result.
    void CancelRetries() noexcept;

private:
    bool registered_ = false;
    IMessageFilter* previous_ = nullptr;
};

} // namespace tessaly
