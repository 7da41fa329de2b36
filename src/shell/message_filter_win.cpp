#include "shell/message_filter_win.h"

#include <array>
#include <optional>
#include <span>

#include "com/com.h"
#include "shell/queued_close.h"
#include "shell/retry_policy.h"

namespace tessaly {

static_assert(wm::kClose == WM_CLOSE && wm::kSysCommand == WM_SYSCOMMAND && wm::kCommand == WM_COMMAND);
static_assert(wm::kNcLButtonDown == WM_NCLBUTTONDOWN && wm::kNcLButtonUp == WM_NCLBUTTONUP);
static_assert(wm::kLButtonDown == WM_LBUTTONDOWN && wm::kLButtonUp == WM_LBUTTONUP &&
              wm::kLButtonDblClk == WM_LBUTTONDBLCLK);
static_assert(wm::kKeyDown == WM_KEYDOWN && wm::kKeyUp == WM_KEYUP && wm::kSysKeyDown == WM_SYSKEYDOWN &&
              wm::kSysKeyUp == WM_SYSKEYUP);
static_assert(wm::kButtonClick == BM_CLICK && wm::kScClose == SC_CLOSE && wm::kBnClicked == BN_CLICKED &&
              wm::kHtClose == HTCLOSE);
static_assert(wm::kVkReturn == VK_RETURN && wm::kVkSpace == VK_SPACE && wm::kVkF4 == VK_F4 &&
              wm::kAltHeld == (KF_ALTDOWN << 16));

namespace {

// Posted to the window to wake a call's wait, and taken back by the filter (Form1's own
// message is WM_APP+1). Not WM_NULL: a range of 0 to 0 is every message.
constexpr UINT kWakeMessage = WM_APP + 2;
// While a handler runs: a user's close counts once a call has waited kCallHeldAfterMs,
// and is seen at most this much later.
constexpr DWORD kActionWakeEveryMs = 250;

// Takes the wakes posted so far (a bounded number: another program may post the same).
void TakeWakes() noexcept
{
    MSG msg{};
    for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, kWakeMessage, kWakeMessage, PM_REMOVE | PM_NOYIELD); ++i) {
    }
}

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
        TakeWakes();
        if (!closeAskedAt && window)
            window->onCallWaits();
        if (!closeAskedAt && window && callWaitedMs >= kCallHeldAfterMs)
            window->onCallHeld();
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
        if (!PostMessageW(static_cast<HWND>(window), kWakeMessage, 0, 0))
            break; // the window is gone
        Sleep(kWakeEveryMs);
    }
    return 0;
}

} // namespace

bool CloseQueued(HWND window, HWND closeButton) noexcept
{
    std::array<QueuedMessage, kCloseLooks.size()> found{};
    std::size_t count = 0;
    for (const QueueLook& look : kCloseLooks) {
        const HWND in = look.in == LookIn::Window ? window : look.in == LookIn::CloseButton ? closeButton : nullptr;
        if (look.in != LookIn::Thread && !in)
            continue; // a filter of null would look at the whole thread
        MSG msg{};
        if (!PeekMessageW(&msg, in, look.first, look.last, PM_NOREMOVE | PM_NOYIELD))
            continue;
        const QueuedTo to = msg.hwnd == window        ? QueuedTo::Window
                            : msg.hwnd == closeButton ? QueuedTo::CloseButton
                                                      : QueuedTo::Other;
        found[count++] = {msg.message, to, static_cast<std::uintptr_t>(msg.wParam),
                          static_cast<std::intptr_t>(msg.lParam), static_cast<unsigned>(msg.time)};
    }
    return HoldsClose(std::span(found.data(), count));
}

ActionWake::ActionWake(HWND window) noexcept : window_(window)
{
    // Without either, a user's close waits for the held call to come back.
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_)
        thread_ = CreateThread(nullptr, 0, &ActionWake::Run, this, 0, nullptr);
}

DWORD WINAPI ActionWake::Run(void* self)
{
    const auto& wake = *static_cast<const ActionWake*>(self);
    while (WaitForSingleObject(wake.stop_, kActionWakeEveryMs) == WAIT_TIMEOUT)
        if (!PostMessageW(wake.window_, kWakeMessage, 0, 0))
            break; // the window is gone
    return 0;
}

ActionWake::~ActionWake()
{
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_)
        CloseHandle(stop_);
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
