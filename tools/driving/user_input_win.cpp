#include "driving/user_input_win.h"

#include <string>
#include <vector>

#include "base/error.h"
#include "driving/wait_win.h"

namespace tessaly::driving {

namespace {

void Inject(std::vector<INPUT>& inputs, const char* what)
{
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw Error(std::string("SendInput of ") + what + " injected " + std::to_string(sent) + " of " +
                    std::to_string(inputs.size()) + " events (error " + std::to_string(GetLastError()) + ")");
}

// A move to `at` with `buttons`, in the absolute coordinates SendInput takes: 0 to 65535
// across the primary screen, rounded up so that the pixel reached is `at`.
INPUT MouseAt(POINT at, DWORD buttons)
{
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(at.x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(at.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    return input;
}

void Mouse(POINT at, DWORD buttons, const char* what)
{
    std::vector<INPUT> inputs{MouseAt(at, 0), MouseAt(at, buttons)};
    Inject(inputs, what);
}

INPUT Key(WORD key, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    return input;
}

} // namespace

void MakeForeground(HWND window)
{
    SetForegroundWindow(window);
    WaitUntil([&] { return GetForegroundWindow() == window; }, "the window to be the foreground window",
              Milliseconds(5000));
}

POINT CentreOf(HWND window)
{
    RECT r{};
    if (!GetWindowRect(window, &r))
        throw Error("GetWindowRect failed");
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT CloseBoxOf(HWND window)
{
    RECT r{};
    if (!GetWindowRect(window, &r))
        throw Error("GetWindowRect failed");
    // The close box is the caption's last button: a caption's height square, inside the frame.
    const int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    return {r.right - frame - caption / 2, r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + caption / 2};
}

void PressMouse(POINT at)
{
    Mouse(at, MOUSEEVENTF_LEFTDOWN, "a button press");
}

void ReleaseMouse(POINT at)
{
    Mouse(at, MOUSEEVENTF_LEFTUP, "a button release");
}

void ClickMouse(POINT at)
{
    std::vector<INPUT> inputs{MouseAt(at, 0), MouseAt(at, MOUSEEVENTF_LEFTDOWN), MouseAt(at, MOUSEEVENTF_LEFTUP)};
    Inject(inputs, "a click");
}

void PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (const WORD key : keys)
        inputs.push_back(Key(key, 0));
    for (auto key = keys.end(); key != keys.begin();)
        inputs.push_back(Key(*--key, KEYEVENTF_KEYUP));
    Inject(inputs, "keys");
}

} // namespace tessaly::driving
