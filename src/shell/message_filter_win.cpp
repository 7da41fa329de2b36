#include "shell/message_filter_win.h"

#include <optional>

#include "com/com.h"
#include "shell/retry_policy.h"

namespace tessaly {

namespace {

// Milliseconds on a clock that a sleeping thread sees move: Wine's GetTickCount is a
// shared value that the server refreshes on requests.
unsigned NowMs() noexcept
{
    LARGE_INTEGER count{};
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&count) || frequency.QuadPart == 0)
        return GetTickCount();
    return static_cast<unsigned>(count.QuadPart / (frequency.QuadPart / 1000 ? frequency.QuadPart / 1000 : 1));
}

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
        if (const auto pause = RetryPause(rejection, elapsedMs, closeAskedAt.has_value()))
            return *pause;
        return static_cast<DWORD>(-1); // cancel: the call fails with RPC_E_CALL_REJECTED
    }

    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD callWaitedMs, DWORD) override
    {
        // COM's loop takes a posted WM_QUIT and posts it again once the call is back.
        if (!closeAskedAt && window && QuitPosted())
            window->onQuitPosted();
        switch (PendingAnswer(closeAskedAt, NowMs(), callWaitedMs)) {
        case Pending::Wait: return PENDINGMSG_WAITDEFPROCESS;
        case Pending::Cancel: return PENDINGMSG_CANCELCALL;
        case Pending::GiveUp:
            if (window)
                window->onGiveUpCall();
            return PENDINGMSG_CANCELCALL;
        }
        return PENDINGMSG_WAITDEFPROCESS;
    }

    HeldCallWindow* window = nullptr;
    std::optional<unsigned> closeAskedAt;
};

MessageFilter theFilter;

// How often a call that waits after a close is woken, and for how long: past the time to
// give it up, for a wait that missed a message.
constexpr DWORD kWakeEveryMs = 50;
constexpr DWORD kWakeForMs = kGiveUpAfterMs + 1500;

DWORD WINAPI WakeTheWait(void* window)
{
    for (DWORD waited = 0; waited < kWakeForMs; waited += kWakeEveryMs) {
        if (!PostMessageW(static_cast<HWND>(window), WM_NULL, 0, 0))
            break; // the window is gone
        Sleep(kWakeEveryMs);
    }
    return 0;
}

} // namespace

bool QuitPosted() noexcept
{
    MSG msg{};
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE | PM_NOYIELD) != 0;
}

MessageFilterRegistration::MessageFilterRegistration(HeldCallWindow& window) noexcept
{
    theFilter.closeAskedAt.reset();
    // S_FALSE would be no registration either: only S_OK replaced the filter.
    registered_ = CoRegisterMessageFilter(&theFilter, &previous_) == S_OK;
    if (registered_)
        theFilter.window = &window;
    else
        previous_ = nullptr;
}

void MessageFilterRegistration::CloseAsked(HWND window) noexcept
{
    if (theFilter.closeAskedAt)
        return;
    theFilter.closeAskedAt = NowMs();
    if (const HANDLE thread = CreateThread(nullptr, 0, &WakeTheWait, window, 0, nullptr))
        CloseHandle(thread);
}

MessageFilterRegistration::~MessageFilterRegistration()
{
    if (!registered_)
        return;
    theFilter.window = nullptr;
    IMessageFilter* ours = nullptr;
    CoRegisterMessageFilter(previous_, &ours);
    if (previous_)
        previous_->Release(); // the registration holds its own reference now
    if (ours)
        ours->Release();
}

} // namespace tessaly
