#pragma once

// The Win32 resources the program and its tools hold, each released by its own function
// when the owner goes: kernel handles, files, registry keys, GDI objects, device contexts
// and the objects selected into one.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tessaly {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
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

// A kernel handle whose failure value is null (process, thread, pipe end, event).
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A handle from CreateFile, whose failure value is INVALID_HANDLE_VALUE, not null: kept
// apart from UniqueHandle so that neither test for "no handle" is made on the other.
class UniqueFile {
public:
    UniqueFile() noexcept = default;
    explicit UniqueFile(HANDLE handle) noexcept : handle_(handle) {}
    ~UniqueFile() { reset(); }
    UniqueFile(UniqueFile&& other) noexcept : handle_(other.release()) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept
    {
        reset(other.release());
        return *this;
    }

    HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release() noexcept
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) noexcept
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

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

// An object selected into a device context, and what it replaced put back when this
// goes: a GDI object still selected into a DC cannot be deleted, nor the DC's own one
// lost. Declare it after the DC and the object, so it goes before them.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), replaced_(SelectObject(dc, object)) {}
    ~SelectedObject()
    {
        if (replaced_ && replaced_ != HGDI_ERROR)
            SelectObject(dc_, replaced_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ replaced_;
};

} // namespace tessaly
