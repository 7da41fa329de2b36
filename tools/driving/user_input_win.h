#pragma once

// Input as a user gives it: the mouse and the keyboard injected with SendInput, which the
// system routes as it routes the hardware's (the mouse to the window under the pointer,
// keys to the foreground window's focus), not messages addressed by a program.

#include <windows.h>

#include <initializer_list>

namespace tessaly::driving {

// Makes `window` the foreground window, for the keyboard; throws Error when it does not
// become it.
void MakeForeground(HWND window);

// The left button pressed, released, or both, with the pointer moved to `at` first.
void PressMouse(POINT at);
void ReleaseMouse(POINT at);
void ClickMouse(POINT at);
// The centre of a window, on the screen.
POINT CentreOf(HWND window);
// The centre of a top-level window's close box, on the screen (its caption's right end).
POINT CloseBoxOf(HWND window);

// Presses the keys in order and releases them in the reverse order: {VK_MENU, VK_F4} is
// Alt+F4.
void PressKeys(std::initializer_list<WORD> keys);

} // namespace tessaly::driving
