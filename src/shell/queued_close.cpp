#include "shell/queued_close.h"

#include <algorithm>
#include <initializer_list>

#include "layout/child_window_ids.h"

namespace tessaly {

namespace {

bool Is(const QueuedMessage& m, unsigned message, QueuedTo to) noexcept
{
    return m.message == message && m.to == to;
}

unsigned LowWord(std::uintptr_t value) noexcept
{
    return static_cast<unsigned>(value & 0xFFFF);
}

unsigned HighWord(std::uintptr_t value) noexcept
{
    return static_cast<unsigned>((value >> 16) & 0xFFFF);
}

// A message that is a close by itself.
bool IsClose(const QueuedMessage& m) noexcept
{
    if (Is(m, wm::kClose, QueuedTo::Window) || Is(m, wm::kButtonClick, QueuedTo::CloseButton))
        return true;
    if (Is(m, wm::kSysCommand, QueuedTo::Window))
        return (m.wParam & 0xFFF0) == wm::kScClose; // the low four bits are the system's own
    // The window takes BN_CLICKED only from a control (lParam its handle), as a click.
    if (Is(m, wm::kCommand, QueuedTo::Window))
        return LowWord(m.wParam) == static_cast<unsigned>(DialogId(ControlId::Command1)) &&
               HighWord(m.wParam) == wm::kBnClicked && m.lParam != 0;
    // The dialog keyboard presses the focused push button on Enter.
    if (Is(m, wm::kKeyDown, QueuedTo::CloseButton))
        return m.wParam == wm::kVkReturn;
    // The frame closes the window on F4 with Alt held, whichever control has the focus;
    // the release is looked at too, for the Alt press before it hides the F4 press.
    if (m.message == wm::kSysKeyDown || m.message == wm::kSysKeyUp)
        return m.wParam == wm::kVkF4 && (m.lParam & wm::kAltHeld) != 0;
    return false;
}

// A press in `to` (the first of `downs` there, whose wParam `is` accepts) and a release
// of `up` there, not before it. Ticks wrap: "not before" is within half their range.
template <class Accept>
bool PressedAndReleased(std::span<const QueuedMessage> firsts, std::initializer_list<unsigned> downs, unsigned up,
                        QueuedTo to, Accept&& is) noexcept
{
    const QueuedMessage* press = nullptr;
    const QueuedMessage* release = nullptr;
    for (const QueuedMessage& m : firsts) {
        if (m.to != to || !is(m.wParam))
            continue;
        if (std::find(downs.begin(), downs.end(), m.message) != downs.end()) {
            if (!press || m.time - press->time >= 0x80000000u)
                press = &m;
        } else if (m.message == up) {
            release = &m;
        }
    }
    return press && release && release->time - press->time < 0x80000000u;
}

} // namespace

bool HoldsClose(std::span<const QueuedMessage> firsts) noexcept
{
    if (std::any_of(firsts.begin(), firsts.end(), IsClose))
        return true;
    const auto any = [](std::uintptr_t) { return true; };
    if (PressedAndReleased(firsts, {wm::kLButtonDown, wm::kLButtonDblClk}, wm::kLButtonUp, QueuedTo::CloseButton, any))
        return true;
    // Over the frame, wParam is where: the caption's close box.
    if (PressedAndReleased(firsts, {wm::kNcLButtonDown}, wm::kNcLButtonUp, QueuedTo::Window,
                           [](std::uintptr_t hit) { return hit == wm::kHtClose; }))
        return true;
    // A push button clicks when the space bar that pressed it is released.
    return PressedAndReleased(firsts, {wm::kKeyDown}, wm::kKeyUp, QueuedTo::CloseButton,
                              [](std::uintptr_t key) { return key == wm::kVkSpace; });
}

} // namespace tessaly
