#include "shell/dialog_window_win.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "base/error.h"

namespace tessaly {
namespace {

constexpr UINT kThrowError = WM_APP + 7;
constexpr UINT kThrowForeign = WM_APP + 8;

// A window whose handlers throw on request.
class ThrowingWindow final : public DialogWindow {
public:
    explicit ThrowingWindow(bool failCreate) : failCreate_(failCreate)
    {
        Create(L"Tessaly.ThrowingWindow", L"throwing", WS_OVERLAPPEDWINDOW, 0);
    }
    ~ThrowingWindow() override { Destroy(); }
    int handled = 0;

private:
    void onCreate() override
    {
        if (failCreate_)
            throw Error("no controls");
    }
    void onActivate() override {}
    void onDestroy() override {}
    void onButtonClicked(int) override {}
    void onClose() override { Destroy(); }
    std::optional<LRESULT> onMessage(UINT message, WPARAM, LPARAM) override
    {
        if (message == kThrowError)
            throw Error("refused");
        if (message == kThrowForeign)
            throw std::logic_error("not the program's own");
        if (message == WM_APP + 9)
            return ++handled;
        return std::nullopt;
    }
    bool failCreate_;
};

// No exception crosses the window procedure: a handler's failure answers 0 and the window
// lives on; a failure while creating fails the creation, as an exception of its own.
TEST(DialogWindow, TheWindowProcedureCatchesEveryException)
{
    ThrowingWindow window(false);
    ASSERT_TRUE(window.Hwnd());
    EXPECT_EQ(SendMessageW(window.Hwnd(), kThrowError, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.Hwnd(), kThrowForeign, 0, 0), 0);
    EXPECT_EQ(SendMessageW(window.Hwnd(), WM_APP + 9, 0, 0), 1) << "still handling its messages";
    EXPECT_THROW(ThrowingWindow(true), Error);
}

} // namespace
} // namespace tessaly
