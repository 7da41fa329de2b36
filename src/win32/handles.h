#pragma once

// The Win32 resources the program and its tools hold, each released by its own function
// when the owner goes: kernel handles, registry keys, GDI objects and device contexts.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tessaly {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
struct KeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct GdiObjectDeleter {
    void operator()(void* object) const noexcept { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct DcDeleter {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};

// A kernel handle (process, thread, pipe end); null and INVALID_HANDLE_VALUE hold nothing.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
// An open registry key.
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;
// A font, pen, brush or bitmap made by this program.
template <class Gdi>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<Gdi>, GdiObjectDeleter>;
using UniqueFont = UniqueGdi<HFONT>;
// A memory device context (CreateCompatibleDC).
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A window's device context (GetDC), given back to the window.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

} // namespace tessaly
