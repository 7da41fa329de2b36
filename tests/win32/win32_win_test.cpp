#include <stdexcept>

#include <gtest/gtest.h>

#include "win32/handles.h"
#include "win32/window_proc.h"

namespace tessaly {
namespace {

constexpr UINT kThrow = WM_APP + 1;

// Throws on kThrow, and on WM_CREATE when the window is created with a parameter.
LRESULT CALLBACK ThrowingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool failCreate = message == WM_CREATE && reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
    if (message == kThrow || failCreate)
        throw std::runtime_error("refused");
    if (message == WM_APP + 2)
        return 2;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The tools' windows: a handler's exception answers 0 and the window lives on; one while
// creating fails the creation.
TEST(GuardedWindowProc, NoExceptionReachesTheSystem)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = &GuardedWindowProc<&ThrowingProc>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Tessaly.GuardedWindow";
    ASSERT_TRUE(RegisterClassW(&wc));
    const HWND window =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(SendMessageW(window, kThrow, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_APP + 2, 0, 0), 2) << "still handling its messages";
    DestroyWindow(window);
    int failCreate = 1;
    EXPECT_FALSE(CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                 &failCreate));
}

// What SelectObject replaced is back when the guard goes, so the bitmap can be deleted.
TEST(SelectedObject, PutsBackWhatItReplaced)
{
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
    HBITMAP bitmap = CreateCompatibleBitmap(dc.get(), 4, 4);
    ASSERT_TRUE(bitmap);
    {
        const SelectedObject selected(dc.get(), bitmap);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap);
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original);
    EXPECT_TRUE(DeleteObject(bitmap));
}

// CreateFile fails with INVALID_HANDLE_VALUE, which a file handle holds as nothing.
TEST(UniqueFile, InvalidHandleValueIsNoFile)
{
    const UniqueFile missing(CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(missing);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    UniqueFile self(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(self);
    const HANDLE handle = self.get();
    self.reset();
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(handle, &flags)) << "closed";
}

} // namespace
} // namespace tessaly
