#include "shell/message_filter_win.h"

#include "com/com.h"
#include "shell/retry_policy.h"

namespace tessaly {

namespace {

// Lives as long as the program: COM holds a reference while it is registered, and a
// static object needs no counting of its own.
class MessageFilter final : public com::Uncounted<IMessageFilter> {
public:
    // The program serves no objects: nothing comes in to turn away.
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return SERVERCALL_ISHANDLED;
    }

    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsedMs, DWORD rejectType) override
    {
        const Rejection rejection = rejectType == SERVERCALL_RETRYLATER ? Rejection::RetryLater : Rejection::Rejected;
        if (const auto pause = RetryPause(rejection, elapsedMs, closing))
            return *pause;
        return static_cast<DWORD>(-1); // cancel: the call fails with RPC_E_CALL_REJECTED
    }

    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

    bool closing = false;
};

MessageFilter theFilter;

} // namespace

MessageFilterRegistration::MessageFilterRegistration() noexcept
{
    theFilter.closing = false;
    registered_ = SUCCEEDED(CoRegisterMessageFilter(&theFilter, &previous_));
}

void MessageFilterRegistration::CancelRetries() noexcept
{
    theFilter.closing = true;
}

MessageFilterRegistration::~MessageFilterRegistration()
{
    if (!registered_)
        return;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_, &ours);
    if (previous_)
        previous_->Release(); // the registration holds its own reference now
    if (ours)
        ours->Release();
}

} // namespace tessaly
