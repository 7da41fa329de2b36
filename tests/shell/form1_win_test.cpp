// The real window under Wine (Xvfb): controls, layout, fonts, keyboard, always-on-top,
// the two buttons and shutdown, with both applications simulated.

#include "shell/form1_win.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "action/report.h"
#include "base/error.h"
#include "com/com.h"
#include "shell/dpi_win.h"
#include "layout/layout.h"
#include "shell/retry_policy.h"
#include "support/cell_fixture.h"

namespace tessaly {
namespace {

using layout::Kind;
using layout::RowOf;

// --- Helpers -------------------------------------------------------------------------

std::wstring TextOf(HWND hwnd)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

std::wstring ClassNameOf(HWND hwnd)
{
    wchar_t buffer[64] = {};
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

// EnumThreadWindows callbacks: named, since a lambda has no CALLBACK convention on x86.
BOOL CALLBACK CountVisible(HWND w, LPARAM count)
{
    if (IsWindowVisible(w))
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND w, LPARAM out)
{
    if (ClassNameOf(w) == L"#32770" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

LONG StyleOf(HWND hwnd)
{
    return GetWindowLongW(hwnd, GWL_STYLE);
}

bool Topmost(HWND hwnd)
{
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

const char* NameOf(HWND control)
{
    const int id = GetDlgCtrlID(control) - kFirstDialogId;
    return id >= 0 && id < kControlCount ? RowOf(static_cast<ControlId>(id)).name : "(not a control)";
}

MSG KeyMessage(UINT message, WPARAM key)
{
    MSG msg{};
    msg.hwnd = GetFocus();
    msg.message = message;
    msg.wParam = key;
    msg.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
    return msg;
}

class Form1Test : public ::testing::Test, protected test::SimulatedApplications {
protected:
    static void SetUpTestSuite() { EnableDpiAwareness(); }

    Form1Test()
    {
        dmis.program = sim::SimPartProgram{};
        cad.running = false;
    }

    // The measuring application as the window finds it; the CAD application is never
    // running.
    enum class Dmis { Missing, Running, ThrowsForeign };
    void Open(Dmis how = Dmis::Missing)
    {
        dmis.installed = how != Dmis::Missing;
        dmis.foreignFailure = how == Dmis::ThrowsForeign;
        form = std::make_unique<Form1>(dmis, cad, L'.');
        form->Show(SW_SHOWNORMAL);
        Pump();
    }

    void TearDown() override
    {
        form.reset();
        Pump();
    }

    // Runs what is queued, as the program's loop would (IsDialogMessage included), and
    // lets Wine's X11 events arrive.
    void Pump(int milliseconds = 50)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quitPosted = true;
                    continue;
                }
                if (form && form->PreTranslate(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < end);
    }

    // A key pressed and released, through the dialog manager like the message loop does.
    void Press(WPARAM key)
    {
        MSG down = KeyMessage(WM_KEYDOWN, key);
        if (!form->PreTranslate(down)) {
            TranslateMessage(&down);
            DispatchMessageW(&down);
        }
        if (!form || !form->Hwnd())
            return;
        MSG up = KeyMessage(WM_KEYUP, key);
        if (!form->PreTranslate(up)) {
            TranslateMessage(&up);
            DispatchMessageW(&up);
        }
        Pump(10);
    }

    HWND C(ControlId id) const { return form->Controls().Control(id); }
    int Dpi() const { return DpiOf(form->Hwnd()); }
    void Click(ControlId id)
    {
        SendMessageW(C(id), BM_CLICK, 0, 0);
        Pump(10);
    }

    // The part program's commands, by ID (their default value too).
    void SetFeatures(const std::vector<std::wstring>& ids)
    {
        for (const auto& id : ids)
            dmis.program->commands.push_back({id, id});
    }

    std::unique_ptr<Form1> form;
    bool quitPosted = false;
};

// The window's layout and captions, which tests/CMakeLists.txt runs again at 120 and
// 144 dpi by this suite's name.
using Form1AtDpi = Form1Test;

// --- The window and its controls -----------------------------------------------------

TEST_F(Form1AtDpi, WindowHasItsCaptionClientSizeAndFixedFrame)
{
    Open();
    const HWND hwnd = form->Hwnd();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(TextOf(hwnd), L"Tessaly 3.5");
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, MulDiv(4455, Dpi(), 1440));
    EXPECT_EQ(client.bottom, MulDiv(5475, Dpi(), 1440));
    if (Dpi() == 96) {
        EXPECT_EQ(client.right, 297);
        EXPECT_EQ(client.bottom, 365);
    }
    const LONG style = StyleOf(hwnd);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0);
    // A taskbar button: unowned, with WS_EX_APPWINDOW.
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_TRUE(Topmost(hwnd));
}

// The class and the style bits each kind must have, stated here from the layout sheet
// rather than taken from the code that sets them.
struct ExpectedKind {
    const wchar_t* className;
    LONG typeMask;
    LONG type;
};

ExpectedKind Expected(Kind kind)
{
    switch (kind) {
    case Kind::Label: return {L"Static", SS_TYPEMASK, SS_LEFT};
    case Kind::LineLabel: return {L"Static", SS_TYPEMASK, SS_LEFTNOWORDWRAP};
    case Kind::TextBox: return {L"Edit", ES_MULTILINE | ES_READONLY | ES_PASSWORD, 0};
    case Kind::CheckBox: return {L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX};
    case Kind::OptionButton: return {L"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON};
    case Kind::Frame: return {L"Button", BS_TYPEMASK, BS_GROUPBOX};
    case Kind::ListBox: return {L"ListBox", LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOTIFY, 0};
    case Kind::ExtendedListBox: return {L"ListBox", LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL, LBS_EXTENDEDSEL};
    case Kind::ComboBox: return {L"ComboBox", CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST | CBS_SORT, CBS_DROPDOWN};
    case Kind::CommandButton:
        // BS_PUSHBUTTON, not BS_DEFPUSHBUTTON: no default button.
        return {L"Button", BS_TYPEMASK, BS_PUSHBUTTON};
    }
    return {L"?", 0, 1};
}

// The width a control leaves its caption: a check box or option button draws its glyph
// and a gap before it, a button its edges, a group box its corner.
int CaptionRoom(Kind kind, int width, int dpi)
{
    switch (kind) {
    case Kind::CheckBox:
    case Kind::OptionButton: return width - MulDiv(13 + 4, dpi, 96);
    case Kind::CommandButton: return width - MulDiv(2 * 3, dpi, 96);
    case Kind::Frame: return width - MulDiv(2 * 8, dpi, 96);
    default: return width;
    }
}

// The caption is not cut: it fits on one line, or a wrapping label holds all its lines
// (the last line's descent may overhang, as at 96 dpi). A text's extent ends in the last
// glyph's spacing, so it may overhang by a pixel ("X:" at 96 dpi).
void ExpectCaptionFits(HDC dc, const layout::Row& row, const RECT& r, int dpi)
{
    const int spacing = MulDiv(1, dpi, 96);
    std::wstring caption = row.caption;
    while (!caption.empty() && caption.back() == L' ')
        caption.pop_back();
    if (caption.empty() || !row.visible)
        return;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    if (row.kind != Kind::Label || extent.cx <= width) {
        EXPECT_LE(extent.cx, CaptionRoom(row.kind, width, dpi) + spacing) << "the caption is cut at " << dpi << " dpi";
        return;
    }
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RECT wrapped{0, 0, width, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &wrapped, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_LE(wrapped.right, width + spacing) << "a word is cut at " << dpi << " dpi";
    EXPECT_LE(wrapped.bottom - tm.tmDescent, height) << "a line is cut at " << dpi << " dpi";
}

TEST_F(Form1AtDpi, EveryControlHasItsClassStylesRectangleVisibilityAndFont)
{
    Open();
    const int dpi = Dpi();
    // Run again at 120 and 144 dpi, with LogPixels set for the test program.
    const char* expected = std::getenv("TESSALY_EXPECTED_DPI");
    ASSERT_EQ(dpi, expected ? std::atoi(expected) : dpi) << "LogPixels did not reach the test program";
    const int pixel = 1440 / dpi; // one pixel in twips
    HDC dc = GetDC(form->Hwnd());
    for (const layout::Row& row : layout::kTable) {
        SCOPED_TRACE(row.name);
        const HWND control = C(row.id);
        ASSERT_TRUE(control);
        EXPECT_EQ(GetParent(control), form->Hwnd());

        const ExpectedKind kind = Expected(row.kind);
        EXPECT_EQ(_wcsicmp(ClassNameOf(control).c_str(), kind.className), 0) << "class " << ClassNameOf(control).size();
        const LONG style = StyleOf(control);
        EXPECT_EQ(style & kind.typeMask, kind.type);
        EXPECT_EQ((style & WS_VISIBLE) != 0, row.visible);
        EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);

        // Rectangle, read back in twips relative to the container, within a pixel.
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, form->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        const layout::Rect origin =
            row.frame == layout::kOnWindow ? layout::Rect{0, 0, 0, 0} : layout::WindowRect(row.frame);
        const int left = MulDiv(r.left, 1440, dpi) - origin.left;
        const int top = MulDiv(r.top, 1440, dpi) - origin.top;
        const int width = MulDiv(r.right - r.left, 1440, dpi);
        const int height = MulDiv(r.bottom - r.top, 1440, dpi);
        EXPECT_NEAR(left, row.rect.left, pixel);
        EXPECT_NEAR(top, row.rect.top, pixel);
        EXPECT_NEAR(width, row.rect.width, pixel);
        // A drop-down combo box takes the height of its font; the layout's 315 twips is
        // what that height is at 96 dpi with "MS Sans Serif" 8 pt. At other DPIs the
        // outline face is a little shorter.
        if (row.kind != Kind::ComboBox)
            EXPECT_NEAR(height, row.rect.height, pixel);
        else if (dpi == 96)
            EXPECT_NEAR(height, row.rect.height, 3 * pixel);
        else
            EXPECT_LE(height, row.rect.height + 3 * pixel);

        // Font: face, height at this DPI, weight; and the face Wine actually realised.
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_TRUE(font);
        LOGFONTW lf{};
        ASSERT_TRUE(GetObjectW(font, sizeof(lf), &lf));
        EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
        const bool bold = row.id == ControlId::Label1 || row.id == ControlId::Label2;
        EXPECT_EQ(lf.lfHeight, bold ? -MulDiv(975, dpi, 7200) : -MulDiv(8, dpi, 72));
        EXPECT_EQ(lf.lfWeight, bold ? 700 : 400);
        const HGDIOBJ old = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        EXPECT_STREQ(face, L"MS Sans Serif") << "are Wine's MS Sans Serif fonts in the prefix's Fonts folder?";
        RECT client{};
        GetClientRect(control, &client);
        ExpectCaptionFits(dc, row, client, dpi);
        SelectObject(dc, old);
    }
    ReleaseDC(form->Hwnd(), dc);
}

TEST_F(Form1Test, CaptionsAndInitialValues)
{
    Open();
    for (const layout::Row& row : layout::kTable) {
        SCOPED_TRACE(row.name);
        if (row.kind == Kind::ListBox || row.kind == Kind::ExtendedListBox) {
            EXPECT_EQ(SendMessageW(C(row.id), LB_GETCOUNT, 0, 0), 0);
            continue;
        }
        EXPECT_EQ(row.kind == Kind::ComboBox ? SendMessageW(C(row.id), CB_GETCOUNT, 0, 0) : 0, 0);
        if (row.id == ControlId::Label2)
            continue;
        EXPECT_EQ(TextOf(C(row.id)), row.caption);
    }
    // The captions, spot-checked directly.
    EXPECT_EQ(TextOf(C(ControlId::Command1)), L"Close");
    EXPECT_EQ(TextOf(C(ControlId::Label7)), L"\u00B1 Tolerance: ");
    EXPECT_EQ(TextOf(C(ControlId::Frame4)), L"Check Part With:");
    // Initial values: every check box clear, the table's option buttons selected, every text
    // box empty but Text2 ("F5"), Label4 empty. No measuring application: Label2 says so.
    for (ControlId id : {ControlId::Check1, ControlId::Check2, ControlId::Check3, ControlId::Check4, ControlId::Check5,
                         ControlId::Check6, ControlId::Check7})
        EXPECT_EQ(form->Controls().CheckValue(id), kUnchecked) << RowOf(id).name;
    for (const layout::Row& row : layout::kTable)
        if (row.kind == Kind::OptionButton)
            EXPECT_EQ(form->Controls().OptionValue(row.id), row.selected) << row.name;
    for (ControlId id : {ControlId::Text1, ControlId::Text3, ControlId::Text4, ControlId::Text5, ControlId::Text6,
                         ControlId::Text7, ControlId::Text8, ControlId::Combo1})
        EXPECT_EQ(form->Controls().GetText(id), L"") << RowOf(id).name;
    EXPECT_EQ(form->Controls().GetText(ControlId::Text2), L"F5");
    EXPECT_EQ(TextOf(C(ControlId::Label4)), L"");
    EXPECT_EQ(TextOf(C(ControlId::Label2)), TextOf(ReportText::DmisLink));
}

TEST_F(Form1Test, KeyStylesOfSingleControls)
{
    Open();
    // Label2: one line, cut at its edge; Label13 wraps.
    EXPECT_EQ(StyleOf(C(ControlId::Label2)) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
    EXPECT_EQ(StyleOf(C(ControlId::Label13)) & SS_TYPEMASK, SS_LEFT);
    // Tab stops: the visible controls that take the focus, of an option group only the
    // selected button; none on labels, frames or hidden controls.
    for (const layout::Row& row : layout::kTable) {
        SCOPED_TRACE(row.name);
        bool stop = false;
        switch (row.kind) {
        case Kind::Label:
        case Kind::LineLabel:
        case Kind::Frame: break;
        case Kind::OptionButton: stop = row.visible && row.selected; break;
        default: stop = row.visible;
        }
        EXPECT_EQ((StyleOf(C(row.id)) & WS_TABSTOP) != 0, stop);
    }
    // Groups: each option group starts at its first button and ends at the next control.
    for (auto [id, group] : {std::pair{ControlId::Option3, true},
                             {ControlId::Option4, false},
                             {ControlId::Label3, true},
                             {ControlId::Option2, true},
                             {ControlId::Option1, false},
                             {ControlId::Option5, false},
                             {ControlId::Text3, true}})
        EXPECT_EQ((StyleOf(C(id)) & WS_GROUP) != 0, group) << RowOf(id).name;

    // Label2 is red, Label1 in the standard text colour.
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(form->Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(C(ControlId::Label2)));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(form->Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(C(ControlId::Label1)));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    DeleteDC(dc);
}

// --- Keyboard ------------------------------------------------------------------------

TEST_F(Form1Test, FocusStartsOnCloseAndTabFollowsTheTabIndexes)
{
    Open();
    EXPECT_EQ(GetActiveWindow(), form->Hwnd());
    ASSERT_EQ(GetFocus(), C(ControlId::Command1)) << NameOf(GetFocus());

    // The layout table's keyboard sequence, an option group by its selected button, from
    // the stop after Command1 round to Command1.
    std::vector<ControlId> expected;
    for (ControlId id : layout::CreationOrder()) {
        const layout::Row& row = RowOf(id);
        if (layout::TakesFocus(row) && (row.kind != Kind::OptionButton || row.selected))
            expected.push_back(id);
    }
    ASSERT_EQ(expected.front(), ControlId::Command1);
    std::rotate(expected.begin(), expected.begin() + 1, expected.end());
    // What the dialog manager computes...
    std::vector<std::string> sequence;
    HWND at = C(ControlId::Command1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        at = GetNextDlgTabItem(form->Hwnd(), at, FALSE);
        sequence.push_back(NameOf(at));
    }
    std::vector<std::string> names;
    for (ControlId id : expected)
        names.push_back(RowOf(id).name);
    EXPECT_EQ(sequence, names);
    // ...and what the Tab key does through the message loop.
    sequence.clear();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Press(VK_TAB);
        sequence.push_back(NameOf(GetFocus()));
    }
    EXPECT_EQ(sequence, names);

    // A hidden control never takes the focus: not asked by handle, nor kept across a
    // deactivation when it was given the focus from outside.
    for (ControlId hidden : {ControlId::List1, ControlId::Text4}) {
        SendMessageW(form->Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(C(hidden)), TRUE);
        EXPECT_EQ(GetFocus(), C(ControlId::Command1)) << NameOf(GetFocus());
        SetFocus(C(hidden));
        SendMessageW(form->Hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageW(form->Hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(GetFocus(), C(ControlId::Command1)) << NameOf(GetFocus());
    }
}

TEST_F(Form1Test, ArrowsMoveWithinAnOptionGroupAndTabEntersItAtTheSelection)
{
    Open();
    SetFocus(C(ControlId::Option3));
    Press(VK_DOWN);
    EXPECT_EQ(GetFocus(), C(ControlId::Option4)) << NameOf(GetFocus());
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option4));
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option3));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option1)) << "the other group is untouched";
    Press(VK_DOWN); // wraps inside the group
    EXPECT_EQ(GetFocus(), C(ControlId::Option3)) << NameOf(GetFocus());
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option3));

    // After "Spheres" is chosen, Tab from Check7 enters the group at "Spheres".
    Click(ControlId::Option2);
    EXPECT_EQ(GetNextDlgTabItem(form->Hwnd(), C(ControlId::Check7), FALSE), C(ControlId::Option2));
    SetFocus(C(ControlId::Option2));
    Press(VK_UP); // Option2 is first in tab order: up wraps to the last, Option5
    EXPECT_EQ(GetFocus(), C(ControlId::Option5)) << NameOf(GetFocus());
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option5));
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option2));
}

TEST_F(Form1Test, EnterAndEscapePressNothingButTheFocusedButton)
{
    Open();
    form->Controls().SetCaption(ControlId::Label2, L"ready");
    const std::size_t calls = log.Count();
    for (ControlId id : {ControlId::Text1, ControlId::Check4, ControlId::List2, ControlId::Option1}) {
        SetFocus(C(id));
        Press(VK_RETURN);
        Press(VK_ESCAPE);
        ASSERT_TRUE(form->Hwnd()) << RowOf(id).name;
    }
    EXPECT_EQ(log.Count(), calls) << "nothing ran";
    EXPECT_EQ(TextOf(C(ControlId::Label2)), L"ready");

    SetFocus(C(ControlId::Command2));
    Press(VK_RETURN);
    EXPECT_EQ(TextOf(C(ControlId::Label2)), TextOf(ReportText::DmisLink)) << "Enter pressed Send To Acad";
    ASSERT_TRUE(form->Hwnd());
    form->Controls().SetCaption(ControlId::Label2, L"ready");
    Press(VK_SPACE);
    EXPECT_EQ(TextOf(C(ControlId::Label2)), TextOf(ReportText::DmisLink)) << "Space pressed Send To Acad";

    SetFocus(C(ControlId::Command1));
    Press(VK_RETURN);
    EXPECT_EQ(form->Hwnd(), nullptr) << "Enter on Close ends the program";
}

TEST_F(Form1Test, SpaceOnTheInitialFocusEndsTheProgram)
{
    Open();
    Press(VK_SPACE);
    EXPECT_EQ(form->Hwnd(), nullptr);
    Pump();
    EXPECT_TRUE(quitPosted);
}

// --- Always on top -------------------------------------------------------------------

TEST_F(Form1Test, StaysTopmostAndIsMadeTopmostAgainOnActivation)
{
    Open();
    const HWND hwnd = form->Hwnd();
    EXPECT_TRUE(Topmost(hwnd));

    // Another application's window becomes the active window.
    const HWND other = CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(other);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    Pump();
    EXPECT_EQ(GetActiveWindow(), other);
    EXPECT_TRUE(Topmost(hwnd));
    EXPECT_FALSE(Topmost(other));
    // Above it in the stacking order.
    bool above = false;
    for (HWND w = GetWindow(hwnd, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        above = above || w == other;
    EXPECT_TRUE(above);

    // Take the window out of the topmost band; activating it puts it back.
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump();
    ASSERT_FALSE(Topmost(hwnd));
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    Pump();
    EXPECT_EQ(GetActiveWindow(), hwnd);
    EXPECT_TRUE(Topmost(hwnd));
    EXPECT_EQ(GetFocus(), C(ControlId::Command1)) << "the focus comes back: " << NameOf(GetFocus());
    DestroyWindow(other);
}

// --- The two buttons and shutdown ----------------------------------------------------

TEST_F(Form1Test, LoadFillsTheWindowFromTheMeasuringApplication)
{
    SetFeatures({L"F1", L"A2", L"F3"});
    dmis.machineName = L"GLOBAL & CO";
    Open(Dmis::Running);
    EXPECT_EQ(TextOf(C(ControlId::Label2)), L"GLOBAL & CO");
    EXPECT_EQ(form->Controls().GetText(ControlId::Text1), L"5.000000");
    ASSERT_EQ(form->Controls().ListCount(ControlId::List2), 2);
    EXPECT_EQ(form->Controls().ListItem(ControlId::List2, 0), L"F1");
    EXPECT_EQ(form->Controls().ListItem(ControlId::List2, 1), L"F3");
    EXPECT_TRUE(form->State().dmisApp);
    EXPECT_TRUE(form->State().dmisMachine);
    EXPECT_TRUE(Topmost(form->Hwnd()));

    // The load runs once: its message sent again by another program links nothing.
    const std::size_t calls = log.Count();
    SendMessageW(form->Hwnd(), WM_APP + 1, 0, 0);
    EXPECT_EQ(log.Count(), calls);
    EXPECT_EQ(form->Controls().ListCount(ControlId::List2), 2);
}

TEST_F(Form1Test, CloseEndsTheProgramAndLetsGoOfEveryReference)
{
    Open(Dmis::Running);
    const HWND hwnd = form->Hwnd();
    ASSERT_TRUE(form->State().dmisApp);
    EXPECT_GT(dmis.alive, 0);
    const std::size_t calls = log.Count();
    Click(ControlId::Command1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(form->Hwnd(), nullptr);
    EXPECT_FALSE(form->State().dmisApp);
    EXPECT_FALSE(form->State().dmisMachine);
    EXPECT_EQ(dmis.alive, 0) << "every reference released";
    EXPECT_EQ(log.Count(), calls) << "nothing sent to the applications";
    Pump();
    EXPECT_TRUE(quitPosted);
}

// A WM_QUIT that another program posts is a close, idle or during the action; the exit
// code is the program's, not the poster's.
TEST_F(Form1Test, PostedQuitClosesTheWindowWithExitCodeZero)
{
    for (const bool during : {false, true}) {
        SCOPED_TRACE(during ? "during the action" : "idle");
        form.reset();
        Open(Dmis::Running);
        const HWND hwnd = form->Hwnd();
        if (during) {
            cad.whileLookedFor = [] { PostQuitMessage(7); };
            SendMessageW(C(ControlId::Command2), BM_CLICK, 0, 0);
            EXPECT_TRUE(IsWindow(hwnd)) << "the action ends first";
        } else {
            PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0);
        }
        EXPECT_EQ(form->RunMessageLoop(), 0);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(dmis.alive, 0);
        cad.whileLookedFor = nullptr;
    }
}

TEST_F(Form1Test, ClosingFromTheFrameEndsTheProgramWithoutAPrompt)
{
    Open(Dmis::Running);
    const HWND hwnd = form->Hwnd();
    const std::size_t calls = log.Count();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(quitPosted);
    EXPECT_EQ(dmis.alive, 0);
    EXPECT_EQ(log.Count(), calls);
    // No message box or other window was left behind.
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountVisible, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 0);
}

TEST_F(Form1Test, SendToAcadRunsTheActionAndKeepsTheUsersValues)
{
    Open();
    form->Controls().SetCaption(ControlId::Label2, L"ready");
    SetWindowTextW(C(ControlId::Text6), L"1.5");
    Click(ControlId::Check5);
    Click(ControlId::Option2);
    const std::size_t calls = log.Count();
    Click(ControlId::Command2);
    // The action links to the measuring application again; the simulated one is missing.
    EXPECT_EQ(TextOf(C(ControlId::Label2)), TextOf(ReportText::DmisLink));
    ASSERT_GT(log.Count(), calls);
    EXPECT_EQ(log.Calls()[calls], "CreateApplication");
    EXPECT_TRUE(form->Hwnd());
    EXPECT_EQ(form->Controls().GetText(ControlId::Text6), L"1.5");
    EXPECT_EQ(form->Controls().CheckValue(ControlId::Check5), kChecked);
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option2));
    // Only "Close" and "Send To Acad" act: clicking the others runs nothing.
    const std::size_t after = log.Count();
    for (ControlId id : {ControlId::Check4, ControlId::Option5, ControlId::Option4, ControlId::Command3})
        Click(id);
    EXPECT_EQ(log.Count(), after);
    EXPECT_TRUE(form->Hwnd());
}

// The measuring application fails at load with an exception that is not the program's:
// the link's report catches it (what reaches the window procedure is DialogWindow's test),
// and the window opens all the same, always on top, and acts on a click.
TEST_F(Form1Test, ForeignFailureAtLoadStillOpensTheWindow)
{
    Open(Dmis::ThrowsForeign);
    ASSERT_TRUE(form->Hwnd());
    EXPECT_TRUE(IsWindowVisible(form->Hwnd()));
    EXPECT_TRUE(Topmost(form->Hwnd()));
    Click(ControlId::Command2);
    EXPECT_TRUE(form->Hwnd());
}

// What other programs send while a call of the action waits: a second click, the load
// message and window-lifetime messages of their own do nothing; a close holds the
// window until the action has returned, stops retrying what a busy application turns
// away, then closes as "Close" does.
TEST_F(Form1Test, CloseAndClickDuringTheActionWaitForItsEnd)
{
    com::Apartment apartment;
    ASSERT_TRUE(apartment.ok());
    Open(Dmis::Running);
    const HWND hwnd = form->Hwnd();
    bool aliveAfterClose = false;
    DWORD retryAfterClose = 0;
    DWORD pendingAtClose = 0;
    DWORD pendingLater = 0;
    cad.whileLookedFor = [&] {
        SendMessageW(C(ControlId::Command2), BM_CLICK, 0, 0);
        SendMessageW(hwnd, WM_APP + 1, 0, 0);
        SendMessageW(hwnd, WM_DESTROY, 0, 0);
        SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
        CREATESTRUCTW forged{};
        forged.lpCreateParams = reinterpret_cast<void*>(static_cast<INT_PTR>(0x10));
        SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&forged));
        SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&forged));
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        aliveAfterClose = IsWindow(hwnd) && form->State().dmisApp && form->Hwnd() == hwnd;
        IMessageFilter* filter = nullptr;
        if (CoRegisterMessageFilter(nullptr, &filter) == S_OK && filter) {
            retryAfterClose = filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER);
            pendingAtClose = filter->MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL);
            Sleep(kCancelAfterMs + 50);
            pendingLater = filter->MessagePending(nullptr, 60000, PENDINGTYPE_TOPLEVEL);
            IMessageFilter* none = nullptr;
            CoRegisterMessageFilter(filter, &none);
            filter->Release();
        }
    };
    const std::size_t calls = log.Count();
    Click(ControlId::Command2);
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_EQ(retryAfterClose, static_cast<DWORD>(-1)) << "a call turned away is cancelled";
    EXPECT_EQ(pendingAtClose, static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS)) << "the call in flight may come back";
    EXPECT_EQ(pendingLater, static_cast<DWORD>(PENDINGMSG_CANCELCALL)) << "one still held is cancelled";
    EXPECT_EQ(
        std::count(log.Calls().begin() + static_cast<std::ptrdiff_t>(calls), log.Calls().end(), "CreateApplication"), 1)
        << "one action, no load";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dmis.alive, 0) << "every reference released";
    Pump();
    EXPECT_TRUE(quitPosted);
}

// The program's message filter is in place for as long as the window lives, and asks the
// retry policy (whose rows are tested beside it) what to retry.
TEST_F(Form1Test, MessageFilterLivesWithTheWindow)
{
    com::Apartment apartment;
    ASSERT_TRUE(apartment.ok());
    Open();
    IMessageFilter* filter = nullptr;
    ASSERT_EQ(CoRegisterMessageFilter(nullptr, &filter), S_OK);
    ASSERT_NE(filter, nullptr);
    // It hands the retry policy the kind of rejection and the time waited.
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), kRetryPauseMs);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, kRetryBoundMs, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->MessagePending(nullptr, 3600000, PENDINGTYPE_TOPLEVEL),
              static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS))
        << "without a close, a held call is waited for";
    IMessageFilter* none = nullptr;
    CoRegisterMessageFilter(filter, &none);
    filter->Release();
    EXPECT_EQ(none, nullptr);

    form.reset();
    ASSERT_EQ(CoRegisterMessageFilter(nullptr, &filter), S_OK);
    EXPECT_EQ(filter, nullptr) << "revoked with the window";
}

// --- Option groups and the feature list ----------------------------------------------

TEST_F(Form1Test, EachOptionGroupHoldsExactlyOneSelection)
{
    Open();
    Click(ControlId::Option2);
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option2));
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option1));
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option5));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option3)) << "the other group is untouched";
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option4));
    Click(ControlId::Option4);
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option3));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option4));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option2));
    Click(ControlId::Option5);
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option1));
    EXPECT_FALSE(form->Controls().OptionValue(ControlId::Option2));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option5));
    EXPECT_TRUE(form->Controls().OptionValue(ControlId::Option4));
}

TEST_F(Form1Test, FeatureListSelectsWithClickCtrlClickAndShiftClick)
{
    SetFeatures({L"F1", L"F2", L"F3", L"F4", L"F5", L"F6"});
    Open(Dmis::Running);
    const HWND list = C(ControlId::List2);
    auto click = [&](int index, WPARAM keys) {
        // Six entries do not all fit: a click on the last one scrolls the list.
        SendMessageW(list, LB_SETTOPINDEX, 0, 0);
        RECT item{};
        ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)),
                  LB_ERR);
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageW(list, WM_LBUTTONUP, keys, at);
        Pump(10);
    };
    auto selected = [&] {
        std::vector<int> result;
        for (int i = 0; i < form->Controls().ListCount(ControlId::List2); ++i)
            if (form->Controls().ListSelected(ControlId::List2, i))
                result.push_back(i);
        return result;
    };
    click(1, 0);
    EXPECT_EQ(selected(), (std::vector<int>{1}));
    click(3, MK_CONTROL);
    EXPECT_EQ(selected(), (std::vector<int>{1, 3}));
    click(5, MK_SHIFT); // range from the anchor, entry 3
    EXPECT_EQ(selected(), (std::vector<int>{3, 4, 5}));
    click(3, MK_CONTROL); // toggles one entry off
    EXPECT_EQ(selected(), (std::vector<int>{4, 5}));
    click(0, 0); // a plain click leaves exactly one
    EXPECT_EQ(selected(), (std::vector<int>{0}));
    // Not sorted: entries keep the order they were appended in.
    form->Controls().ListAppend(ControlId::List2, L"A0");
    EXPECT_EQ(form->Controls().ListItem(ControlId::List2, 6), L"A0");
}

// --- Form operations on the real controls --------------------------------------------

TEST_F(Form1Test, FormOperationsReadAndWriteTheControls)
{
    Open();
    form->Controls().SetText(ControlId::Text1, L"2,5");
    EXPECT_EQ(form->Controls().GetText(ControlId::Text1), L"2,5");
    form->Controls().SetCaption(ControlId::Label2, L"A very long status text that does not fit into the status line");
    EXPECT_EQ(TextOf(C(ControlId::Label2)), L"A very long status text that does not fit into the status line");
    Click(ControlId::Check7);
    EXPECT_EQ(form->Controls().CheckValue(ControlId::Check7), kChecked);
    EXPECT_TRUE(form->Controls().IsChecked(ControlId::Check7));

    // List1, the hidden point list.
    EXPECT_EQ(form->Controls().ListCount(ControlId::List1), 0);
    form->Controls().ListAppend(ControlId::List1, L"F3,X=10 Y=-20 Z=5");
    form->Controls().ListAppend(ControlId::List1, L"F3,X=12 Y=-21 Z=6");
    EXPECT_EQ(form->Controls().ListCount(ControlId::List1), 2);
    EXPECT_EQ(form->Controls().ListItem(ControlId::List1, 1), L"F3,X=12 Y=-21 Z=6");
    EXPECT_FALSE(form->Controls().ListSelected(ControlId::List1, 0));
    EXPECT_THROW(form->Controls().ListItem(ControlId::List1, 2), Error);
    EXPECT_THROW(form->Controls().ListItem(ControlId::List1, -1), Error);
    EXPECT_THROW(form->Controls().ListSelected(ControlId::List2, 0), Error);
    form->Controls().ListClear(ControlId::List1);
    EXPECT_EQ(form->Controls().ListCount(ControlId::List1), 0);
    EXPECT_FALSE(IsWindowVisible(C(ControlId::List1)));

    // An operation on a control of the wrong kind is a failure, not a silent no-op.
    EXPECT_THROW(form->Controls().GetText(ControlId::Check1), Error);
    EXPECT_THROW(form->Controls().SetText(ControlId::Label2, L"x"), Error);
    EXPECT_THROW(form->Controls().SetCaption(ControlId::Text1, L"x"), Error);
    EXPECT_THROW(form->Controls().CheckValue(ControlId::Option1), Error);
    EXPECT_THROW(form->Controls().OptionValue(ControlId::Check1), Error);
    EXPECT_THROW(form->Controls().ListCount(ControlId::Text1), Error);
    EXPECT_THROW(form->Controls().ListAppend(ControlId::Combo1, L"x"), Error);
}

TEST_F(Form1Test, AListRefusesTheEntryBeyond32767)
{
    Open();
    for (int i = 0; i < kListCapacity; ++i)
        form->Controls().ListAppend(ControlId::List1, L"F1,X=1 Y=2 Z=3");
    EXPECT_EQ(form->Controls().ListCount(ControlId::List1), kListCapacity);
    EXPECT_THROW(form->Controls().ListAppend(ControlId::List1, L"F1,X=1 Y=2 Z=3"), Error);
    EXPECT_EQ(form->Controls().ListCount(ControlId::List1), kListCapacity);
}

// What the message box looked like, read from inside its modal loop.
struct SeenBox {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;
    bool icon = false;
};
SeenBox g_seen;

void CALLBACK ReadAndDismissMessageBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMessageBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    KillTimer(nullptr, timer);
    g_seen.found = true;
    g_seen.caption = TextOf(box);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring cls = ClassNameOf(child);
        if (_wcsicmp(cls.c_str(), L"Button") == 0)
            g_seen.buttons.push_back(TextOf(child));
        else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
            // The template's icon control is always there; it shows an icon when it holds one.
            g_seen.icon = g_seen.icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && !TextOf(child).empty())
            g_seen.text = TextOf(child);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Form1Test, MessageBoxHasAnOkButtonOnlyNoIconAndTheProgramsName)
{
    Open();
    g_seen = {};
    SetTimer(nullptr, 0, 50, &ReadAndDismissMessageBox);
    form->Controls().ShowMessage(TextOf(ReportText::BadProbeRadius));
    ASSERT_TRUE(g_seen.found);
    EXPECT_EQ(g_seen.caption, L"Tessaly");
    EXPECT_EQ(g_seen.text, TextOf(ReportText::BadProbeRadius));
    EXPECT_EQ(g_seen.buttons, (std::vector<std::wstring>{L"OK"}));
    EXPECT_FALSE(g_seen.icon);
    EXPECT_TRUE(form->Hwnd());
}

} // namespace
} // namespace tessaly
