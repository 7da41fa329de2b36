#pragma once

// Which message waiting in the window's queue is a close the user gave, read while an
// application holds a call. COM's wait neither wakes for input under Wine nor dispatches
// input on Windows, nor anything posted to the window under Wine: the mouse on "Close",
// Alt+F4 or the caption's close would wait until the call comes back. So once a call has
// waited longer than a moment, the queue is looked at without taking anything from it.
// Portable: no windows.h here; the messages are Win32's numbers.

#include <array>
#include <cstdint>
#include <span>

namespace tessaly {

// A call that has waited this long is held (the application is in a command or a dialog
// of its own): calls take milliseconds, even under emulation.
constexpr unsigned kCallHeldAfterMs = 1000;

// The Win32 messages and codes read here (message_filter_win.cpp checks them against
// windows.h).
namespace wm {
inline constexpr unsigned kClose = 0x0010;
inline constexpr unsigned kNcLButtonDown = 0x00A1;
inline constexpr unsigned kNcLButtonUp = 0x00A2;
inline constexpr unsigned kButtonClick = 0x00F5; // BM_CLICK
inline constexpr unsigned kKeyDown = 0x0100;
inline constexpr unsigned kKeyUp = 0x0101;
inline constexpr unsigned kSysKeyDown = 0x0104;
inline constexpr unsigned kSysKeyUp = 0x0105;
inline constexpr unsigned kCommand = 0x0111;
inline constexpr unsigned kSysCommand = 0x0112;
inline constexpr unsigned kLButtonDown = 0x0201;
inline constexpr unsigned kLButtonUp = 0x0202;
inline constexpr unsigned kLButtonDblClk = 0x0203;
inline constexpr unsigned kScClose = 0xF060;
inline constexpr unsigned kBnClicked = 0;
inline constexpr unsigned kHtClose = 20;
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkSpace = 0x20;
inline constexpr unsigned kVkF4 = 0x73;
// A key message's lParam bit: Alt was held.
inline constexpr std::intptr_t kAltHeld = std::intptr_t{1} << 29;
} // namespace wm

// Where a queued message goes: the window itself (its frame included), "Close", or
// another window of the thread (a control, where the focus or the mouse is).
enum class QueuedTo : std::uint8_t { Window, CloseButton, Other };

struct QueuedMessage {
    unsigned message;
    QueuedTo to;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    unsigned time; // a tick count in ms (it wraps)
};

// One look into the queue: the first message of [first, last] for the window (its
// controls too), for "Close", or anywhere on the thread. PeekMessage without PM_REMOVE
// sees only the first message that a filter lets through, so each look is for one kind:
// the first key down of the thread, the first button release over "Close".
enum class LookIn : std::uint8_t { Window, CloseButton, Thread };
struct QueueLook {
    LookIn in;
    unsigned first;
    unsigned last;
};

inline constexpr std::array<QueueLook, 13> kCloseLooks{{
    {LookIn::Window, wm::kClose, wm::kClose},
    {LookIn::Window, wm::kSysCommand, wm::kSysCommand},
    {LookIn::Window, wm::kCommand, wm::kCommand},
    {LookIn::Window, wm::kNcLButtonDown, wm::kNcLButtonDown},
    {LookIn::Window, wm::kNcLButtonUp, wm::kNcLButtonUp},
    {LookIn::CloseButton, wm::kButtonClick, wm::kButtonClick},
    {LookIn::CloseButton, wm::kLButtonDown, wm::kLButtonDown},
    {LookIn::CloseButton, wm::kLButtonUp, wm::kLButtonUp},
    {LookIn::CloseButton, wm::kLButtonDblClk, wm::kLButtonDblClk},
    {LookIn::Thread, wm::kKeyDown, wm::kKeyDown},
    {LookIn::Thread, wm::kKeyUp, wm::kKeyUp},
    {LookIn::Thread, wm::kSysKeyDown, wm::kSysKeyDown},
    {LookIn::Thread, wm::kSysKeyUp, wm::kSysKeyUp},
}};

// True when the messages that the looks found (each the first of its look, in any
// order) hold a close, as the window would take it once dispatched: a posted WM_CLOSE,
// SC_CLOSE (the caption's close under a window manager, the system menu, Alt+F4 once
// the frame has seen it), BM_CLICK or BN_CLICKED of "Close"; the left button pressed on
// "Close" and released on it, or on the caption's close box; with the focus on "Close",
// Enter, or the space bar pressed and released; Alt+F4 anywhere. Anything else (a click
// elsewhere, a press on "Close" released over another control, another key first) is no
// close: it waits in the queue for the call to come back.
bool HoldsClose(std::span<const QueuedMessage> firsts) noexcept;

} // namespace tessaly
