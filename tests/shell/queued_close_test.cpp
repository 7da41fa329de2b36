#include "shell/queued_close.h"

#include <vector>

#include <gtest/gtest.h>

#include "layout/child_window_ids.h"

namespace tessaly {
namespace {

using To = QueuedTo;

// What the looks find in the queue, each message the first of its kind there.
struct Row {
    const char* what;
    std::vector<QueuedMessage> firsts;
    bool close;
};

constexpr std::uintptr_t kCloseClicked = static_cast<std::uintptr_t>(DialogId(ControlId::Command1));
constexpr std::uintptr_t kSendClicked = static_cast<std::uintptr_t>(DialogId(ControlId::Command2));

TEST(HoldsClose, TheClosesAUserOrAnotherProgramGivesAndNothingElse)
{
    const Row rows[] = {
        {"nothing queued", {}, false},
        {"WM_CLOSE posted", {{wm::kClose, To::Window, 0, 0, 5}}, true},
        {"SC_CLOSE (the caption under a window manager, the system menu)",
         {{wm::kSysCommand, To::Window, wm::kScClose | 2, 0, 5}},
         true},
        {"another system command", {{wm::kSysCommand, To::Window, 0xF020, 0, 5}}, false},
        {"BM_CLICK on Close", {{wm::kButtonClick, To::CloseButton, 0, 0, 5}}, true},
        {"BN_CLICKED of Close", {{wm::kCommand, To::Window, kCloseClicked, 0x1234, 5}}, true},
        {"BN_CLICKED of Send To Acad", {{wm::kCommand, To::Window, kSendClicked, 0x1234, 5}}, false},
        {"Close's id with no control: a menu's command, no click",
         {{wm::kCommand, To::Window, kCloseClicked, 0, 5}},
         false},
        {"the mouse pressed and released on Close",
         {{wm::kLButtonDown, To::CloseButton, 1, 0, 5}, {wm::kLButtonUp, To::CloseButton, 0, 0, 5}},
         true},
        {"a second press, read as a double click",
         {{wm::kLButtonDblClk, To::CloseButton, 1, 0, 7}, {wm::kLButtonUp, To::CloseButton, 0, 0, 9}},
         true},
        {"pressed on Close, released elsewhere", {{wm::kLButtonDown, To::CloseButton, 1, 0, 5}}, false},
        {"released on Close, pressed later", // a drag onto Close, then a press still held
         {{wm::kLButtonDown, To::CloseButton, 1, 0, 9}, {wm::kLButtonUp, To::CloseButton, 0, 0, 5}},
         false},
        {"pressed and released across the tick count's wrap",
         {{wm::kLButtonDown, To::CloseButton, 1, 0, 0xFFFFFFF0u}, {wm::kLButtonUp, To::CloseButton, 0, 0, 3}},
         true},
        {"the caption's close box pressed and released",
         {{wm::kNcLButtonDown, To::Window, wm::kHtClose, 0, 5}, {wm::kNcLButtonUp, To::Window, wm::kHtClose, 0, 6}},
         true},
        {"the caption pressed, released on its close box",
         {{wm::kNcLButtonDown, To::Window, 2, 0, 5}, {wm::kNcLButtonUp, To::Window, wm::kHtClose, 0, 6}},
         false},
        {"Enter with the focus on Close", {{wm::kKeyDown, To::CloseButton, wm::kVkReturn, 1, 5}}, true},
        {"Enter with the focus on Send To Acad", {{wm::kKeyDown, To::Other, wm::kVkReturn, 1, 5}}, false},
        {"the space bar pressed and released on Close",
         {{wm::kKeyDown, To::CloseButton, wm::kVkSpace, 1, 5}, {wm::kKeyUp, To::CloseButton, wm::kVkSpace, 1, 6}},
         true},
        {"the space bar still held on Close", {{wm::kKeyDown, To::CloseButton, wm::kVkSpace, 1, 5}}, false},
        {"another key first (Tab)", {{wm::kKeyDown, To::CloseButton, 0x09, 1, 5}}, false},
        {"Alt+F4, the Alt press first",
         {{wm::kSysKeyDown, To::Other, 0x12, wm::kAltHeld | 1, 5},
          {wm::kSysKeyUp, To::Other, wm::kVkF4, wm::kAltHeld | 1, 6}},
         true},
        {"Alt+F4 with Alt held from before", {{wm::kSysKeyDown, To::Other, wm::kVkF4, wm::kAltHeld | 1, 5}}, true},
        {"F10 (the menu key) and F4 without Alt",
         {{wm::kSysKeyDown, To::Other, 0x79, 1, 5}, {wm::kKeyDown, To::Other, wm::kVkF4, 1, 6}},
         false},
        {"clicks elsewhere and a close among them",
         {{wm::kLButtonDown, To::Other, 1, 0, 5},
          {wm::kKeyDown, To::Other, wm::kVkReturn, 1, 6},
          {wm::kButtonClick, To::CloseButton, 0, 0, 7}},
         true},
        {"a Close message meant for a control is not the window's",
         {{wm::kClose, To::Other, 0, 0, 5}, {wm::kCommand, To::Other, kCloseClicked, 0x1234, 5}},
         false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(HoldsClose(row.firsts), row.close) << row.what;
}

} // namespace
} // namespace tessaly
