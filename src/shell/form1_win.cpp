#include "shell/form1_win.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "base/error.h"
#include "action/send_to_acad.h"
#include "action/link_at_load.h"
#include "shell/dpi_win.h"
#include "shell/topmost_win.h"

namespace tessaly {

namespace {

using layout::Kind;
using layout::Row;

constexpr wchar_t kClassName[] = L"Tessaly.Form1";
// The program's name: the caption of its message boxes, which have no title of their own.
constexpr wchar_t kMessageCaption[] = L"Tessaly";
// Sent once, after the window and its controls exist: the window-load event. Any
// program can send the same number; the handler runs for the first one only.
constexpr UINT kLoadMessage = WM_APP + 1;

// A fixed-size frame with minimise and close boxes; an unowned top-level window with
// WS_EX_APPWINDOW has a taskbar button. WS_CLIPCHILDREN is left out on purpose: the
// group boxes do not erase their interior, the parent's background erase must reach it.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

struct ChildClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

// The one place where a control's kind becomes a window class and style bits.
ChildClass ClassOf(const Row& row)
{
    DWORD style = WS_CHILD;
    if (row.visible)
        style |= WS_VISIBLE;
    // Hidden controls get no tab stop either: no key may ever reach them. Of an option
    // group only the selected button is a tab stop; auto radio buttons move WS_TABSTOP
    // to the button that gets checked, so Tab always enters a group at its selection.
    if (layout::TakesFocus(row) && (row.kind != Kind::OptionButton || row.selected))
        style |= WS_TABSTOP;
    // Arrow keys move between the controls from one WS_GROUP control up to the next:
    // every control but a following option button of the same frame starts a group.
    if (row.kind != Kind::OptionButton || layout::StartsGroup(row))
        style |= WS_GROUP;

    switch (row.kind) {
    case Kind::Label:
        // SS_NOPREFIX: captions such as a machine name are shown as they are, "&" included.
        return {L"STATIC", style | SS_LEFT | SS_NOPREFIX, 0};
    case Kind::LineLabel: return {L"STATIC", style | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case Kind::TextBox: return {L"EDIT", style | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::CheckBox: return {L"BUTTON", style | BS_AUTOCHECKBOX, 0};
    case Kind::OptionButton: return {L"BUTTON", style | BS_AUTORADIOBUTTON, 0};
    case Kind::Frame: return {L"BUTTON", style | BS_GROUPBOX, 0};
    case Kind::ListBox:
        // Unsorted (no LBS_SORT); LBS_NOINTEGRALHEIGHT keeps the height of the layout.
        return {L"LISTBOX", style | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
    case Kind::ExtendedListBox:
        return {L"LISTBOX", style | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL, WS_EX_CLIENTEDGE};
    case Kind::ComboBox: return {L"COMBOBOX", style | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case Kind::CommandButton:
        // BS_PUSHBUTTON, never BS_DEFPUSHBUTTON: neither button is the default button.
        return {L"BUTTON", style | BS_PUSHBUTTON, 0};
    }
    throw Error("unknown control kind");
}

// The height passed to CreateWindow for a drop-down combo box is that of the field and
// its drop-down list together; the field itself takes the height of its font.
constexpr int kComboListLines = 8;

UniqueFont MakeFont(layout::Font font, int dpi)
{
    const layout::FontSpec fontSpec = layout::FontSpecOf(font);
    LOGFONTW lf{};
    lf.lfHeight = layout::FontHeight(font, dpi);
    lf.lfWeight = fontSpec.weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    std::wstring_view(fontSpec.face).copy(lf.lfFaceName, LF_FACESIZE - 1);
    UniqueFont result(CreateFontIndirectW(&lf));
    if (!result)
        throw Error("CreateFontIndirect failed");
    return result;
}

void RegisterWindowClass(WNDPROC windowProc)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, kClassName, &wc))
        return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The face colour of a form: statics and buttons draw on it (WM_CTLCOLORSTATIC).
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        throw Error("RegisterClassEx failed");
}

void Trace(const char* what, const char* detail)
{
    std::string line = std::string("Tessaly: ") + what + ": " + detail + "\n";
    OutputDebugStringA(line.c_str());
}

std::wstring WindowText(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// EnumThreadWindows callback (named: a lambda has no CALLBACK convention on x86): ends
// each message box that the window in `owner` owns, as its OK button would.
BOOL CALLBACK EndOwnedMessageBox(HWND window, LPARAM owner)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && std::wstring_view(className) == L"#32770")
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

const Row& FirstFocus()
{
    for (ControlId id : layout::CreationOrder())
        if (layout::TakesFocus(layout::RowOf(id)))
            return layout::RowOf(id);
    throw Error("no control takes the focus");
}

} // namespace

Form1::Form1(dmis::IConnector& dmisConnector, cad::IConnector& cadConnector, wchar_t decimalSeparator)
    : dmis_(dmisConnector), cad_(cadConnector), decimalSeparator_(decimalSeparator)
{
    RegisterWindowClass(&Form1::WindowProc);
    // The window system chooses the position; onCreate sets the size from the DPI.
    const HWND hwnd = CreateWindowExW(kWindowExStyle, kClassName, layout::kCaption, kWindowStyle, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 320, 400, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd)
        throw Error("CreateWindowEx of Form1 failed");
    // The window-load event: through the window procedure, so it shares its one try/catch.
    SendMessageW(hwnd_, kLoadMessage, 0, 0);
}

Form1::~Form1()
{
    Destroy();
}

void Form1::Destroy() noexcept
{
    if (!hwnd_)
        return;
    destroying_ = true;
    DestroyWindow(hwnd_);
}

void Form1::Show(int showCommand)
{
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

HWND Form1::Control(ControlId id) const noexcept
{
    return hwnd_ ? GetDlgItem(hwnd_, DialogId(id)) : nullptr;
}

bool Form1::PreTranslate(MSG& msg) const
{
    return hwnd_ && IsDialogMessageW(hwnd_, &msg);
}

// --- The window procedure ---------------------------------------------------------------

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Form1* self = nullptr;
    // The window's own WM_NCCREATE comes first, before the form is stored; one sent later
    // by another program carries a pointer of its own and is not believed.
    if (message == WM_NCCREATE && !GetWindowLongPtrW(hwnd, GWLP_USERDATA)) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY have no form.
    if (self) {
        // No exception may cross user32's frames: every handler runs inside this one
        // try/catch. Reports the user sees are written by the handlers themselves.
        try {
            if (std::optional<LRESULT> result = self->onMessage(message, wParam, lParam))
                return *result;
        } catch (const Error& e) {
            Trace("handler failed", e.what());
            return message == WM_CREATE ? -1 : 0;
        } catch (const std::exception& e) {
            Trace("handler failed", e.what());
            return message == WM_CREATE ? -1 : 0;
        } catch (...) {
            Trace("handler failed", "unknown exception");
            return message == WM_CREATE ? -1 : 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::optional<LRESULT> Form1::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (!normalFont_) // the window's own, not one sent again
            onCreate();
        return 0;
    case kLoadMessage: onLoad(); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            onActivate();
            // DefWindowProc would put the focus on the window itself; give it back to
            // the control that had it, as a dialog does. Not while minimised.
            if (!HIWORD(wParam))
                RestoreFocus();
        } else {
            const HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus))
                focus_ = focus;
        }
        return 0;
    case WM_SETFOCUS:
        // Restored from the taskbar, or focus handed to the window itself.
        RestoreFocus();
        return 0;
    case WM_COMMAND:
        // Only a button's own click counts; WM_COMMAND IDOK/IDCANCEL from the dialog
        // manager (Enter, Escape) and every other notification do nothing.
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            const int id = LOWORD(wParam);
            if (id == DialogId(ControlId::Command1))
                onCloseClick();
            else if (id == DialogId(ControlId::Command2))
                onSendToAcadClick();
        }
        return 0;
    case DM_GETDEFID: return onGetDefId();
    case WM_NEXTDLGCTL: onNextDialogControl(wParam, lParam); return 0;
    case WM_CTLCOLORSTATIC: return onColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE: onClose(); return 0;
    case WM_DESTROY:
        if (destroying_)
            onDestroy();
        return 0;
    case WM_NCDESTROY:
        if (!destroying_)
            return 0;
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        focus_ = nullptr;
        return std::nullopt;
    default: return std::nullopt;
    }
}

// --- The four handlers ------------------------------------------------------------------

void Form1::onLoad()
{
    if (loaded_)
        return;
    loaded_ = true;
    // First, before anything can fail and before the window is on the screen.
    MakeTopmost(hwnd_);
    RunBusy([&] { LinkAtLoad(*this, state_, dmis_, decimalSeparator_); });
}

void Form1::onActivate()
{
    MakeTopmost(hwnd_);
}

void Form1::onCloseClick()
{
    onClose();
}

void Form1::onSendToAcadClick()
{
    // One action at a time: a click that arrives while a call of the action waits (sent
    // by another program, or an accessibility tool) does nothing (RunBusy).
    RunBusy([&] { SendToAcad(*this, state_, dmis_, cad_, decimalSeparator_); });
}

void Form1::onClose()
{
    // Ends the program: onDestroy lets go of every reference and posts WM_QUIT. Nothing is
    // sent to the measuring or the CAD application, and what was drawn stays.
    if (!busy_) {
        Destroy();
        return;
    }
    // A handler is inside a call: destroying the window now would release the references
    // it is using. It stops at its next step instead (Closing), shows no more message
    // boxes, a call a busy application turns away is not tried again, and the window goes
    // when it returns.
    closeAsked_ = true;
    messageFilter_.CancelRetries();
    CloseMessageBoxes();
}

// --- Window mechanics -------------------------------------------------------------------

void Form1::onCreate()
{
    const int dpi = DpiOf(hwnd_);
    normalFont_ = MakeFont(layout::Font::Normal, dpi);
    boldFont_ = MakeFont(layout::Font::Bold, dpi);

    // Client area of the layout; the frame adds what it adds at this DPI.
    RECT window{};
    RECT client{};
    GetWindowRect(hwnd_, &window);
    GetClientRect(hwnd_, &client);
    const int width = layout::TwipsToPixels(layout::kClientWidth, dpi) + (window.right - window.left) - client.right;
    const int height = layout::TwipsToPixels(layout::kClientHeight, dpi) + (window.bottom - window.top) - client.bottom;
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Created in tab-index order: the Z-order is then the tab order that the dialog
    // manager follows. Controls of a frame are children of the window, not of the group
    // box, placed at the frame's origin plus their offset: a group box would swallow its
    // children's WM_COMMAND, and IsDialogMessage only walks the window's own children.
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (ControlId id : layout::CreationOrder()) {
        const Row& row = layout::RowOf(id);
        const ChildClass cls = ClassOf(row);
        const layout::PixelRect r = layout::ToPixels(layout::WindowRect(id), dpi);
        int createHeight = r.height();
        if (row.kind == Kind::ComboBox)
            createHeight += kComboListLines * r.height();
        const HWND control =
            CreateWindowExW(cls.exStyle, cls.className, row.caption, cls.style, r.left, r.top, r.width(), createHeight,
                            hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(DialogId(id))), instance, nullptr);
        if (!control)
            throw Error(std::string("CreateWindowEx of ") + row.name + " failed");
        const HFONT font = row.font == layout::Font::Bold ? boldFont_.get() : normalFont_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.kind == Kind::OptionButton && row.selected)
            SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    }
    focus_ = Control(FirstFocus().id);
}

void Form1::onDestroy()
{
    // Every reference the window holds is let go, the dependent objects first; the
    // applications only lose a client, they receive no quit or close request.
    state_.lastCircle.reset();
    state_.acadDoc.reset();
    state_.acadApp.reset();
    state_.dmisMachine.reset();
    state_.dmisApp.reset();
    // The program's only window: its end is the program's end.
    PostQuitMessage(0);
}

void Form1::CloseMessageBoxes()
{
    EnumThreadWindows(GetCurrentThreadId(), &EndOwnedMessageBox, reinterpret_cast<LPARAM>(hwnd_));
}

void Form1::RestoreFocus()
{
    if (focus_ && IsWindow(focus_))
        SetFocus(focus_);
}

std::optional<LRESULT> Form1::onColorStatic(HDC dc, HWND control)
{
    const int id = GetDlgCtrlID(control) - kFirstDialogId;
    if (id < 0 || id >= kControlCount)
        return std::nullopt;
    const Row& row = layout::RowOf(static_cast<ControlId>(id));
    if (row.colour.system)
        return std::nullopt;
    SetTextColor(dc, RGB(row.colour.r, row.colour.g, row.colour.b));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT Form1::onGetDefId() const
{
    // There is no default button. IsDialogMessage asks for one on Enter when the focused
    // control is not a default push button: answer with the focused push button, so that
    // Enter presses the button that has the focus and nothing else. Elsewhere the answer
    // is "none", and the dialog manager's fallback WM_COMMAND IDOK does nothing here.
    const HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) {
        const int id = GetDlgCtrlID(focus);
        if (id == DialogId(ControlId::Command1) || id == DialogId(ControlId::Command2))
            return MAKELRESULT(id, DC_HASDEFID);
    }
    return 0;
}

void Form1::onNextDialogControl(WPARAM wParam, LPARAM lParam)
{
    // WM_NEXTDLGCTL is DefDlgProc's; a plain window gets it from IsDialogMessage (arrow
    // keys outside option groups) and does it itself.
    HWND next = nullptr;
    if (LOWORD(lParam))
        next = reinterpret_cast<HWND>(wParam);
    else
        next = GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
    if (next && IsChild(hwnd_, next))
        SetFocus(next);
}

// --- Form -------------------------------------------------------------------------------

HWND Form1::Expect(ControlId id, std::initializer_list<Kind> kinds, const char* operation) const
{
    const int index = static_cast<int>(id);
    if (index < 0 || index >= kControlCount)
        throw Error(std::string(operation) + ": no such control");
    const Row& row = layout::RowOf(id);
    if (std::find(kinds.begin(), kinds.end(), row.kind) == kinds.end())
        throw Error(std::string(operation) + ": not possible on " + row.name);
    const HWND control = Control(id);
    if (!control)
        throw Error(std::string(operation) + " on " + row.name + ": the window is gone");
    return control;
}

HWND Form1::ExpectList(ControlId id, const char* operation) const
{
    return Expect(id, {Kind::ListBox, Kind::ExtendedListBox}, operation);
}

void Form1::SetCaption(ControlId label, const std::wstring& caption)
{
    const HWND control = Expect(label, {Kind::Label, Kind::LineLabel}, "SetCaption");
    if (!SetWindowTextW(control, caption.c_str()))
        throw Error(std::string("SetCaption on ") + layout::RowOf(label).name + " failed");
}

std::wstring Form1::GetText(ControlId control) const
{
    return WindowText(Expect(control, {Kind::TextBox, Kind::ComboBox}, "GetText"));
}

void Form1::SetText(ControlId textBox, const std::wstring& text)
{
    const HWND control = Expect(textBox, {Kind::TextBox}, "SetText");
    if (!SetWindowTextW(control, text.c_str()))
        throw Error(std::string("SetText on ") + layout::RowOf(textBox).name + " failed");
}

int Form1::CheckValue(ControlId checkBox) const
{
    const HWND control = Expect(checkBox, {Kind::CheckBox}, "CheckValue");
    // BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2: the values the action tests.
    return static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
}

bool Form1::OptionValue(ControlId optionButton) const
{
    const HWND control = Expect(optionButton, {Kind::OptionButton}, "OptionValue");
    return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Form1::ListCount(ControlId list) const
{
    const LRESULT count = SendMessageW(ExpectList(list, "ListCount"), LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        throw Error(std::string("ListCount of ") + layout::RowOf(list).name + " failed");
    return static_cast<int>(count);
}

std::wstring Form1::ListItem(ControlId list, int index) const
{
    const HWND control = ExpectList(list, "ListItem");
    const LRESULT length = SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == LB_ERR)
        throw Error(std::string("ListItem of ") + layout::RowOf(list).name + ": no entry " + std::to_string(index));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR)
        throw Error(std::string("ListItem of ") + layout::RowOf(list).name + ": no entry " + std::to_string(index));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool Form1::ListSelected(ControlId list, int index) const
{
    const HWND control = ExpectList(list, "ListSelected");
    const LRESULT selected = index < 0 ? LB_ERR : SendMessageW(control, LB_GETSEL, static_cast<WPARAM>(index), 0);
    if (selected == LB_ERR)
        throw Error(std::string("ListSelected of ") + layout::RowOf(list).name + ": no entry " + std::to_string(index));
    return selected > 0;
}

void Form1::ListAppend(ControlId list, const std::wstring& entry)
{
    const HWND control = ExpectList(list, "ListAppend");
    // Counts and indexes are 16-bit for the rest of the program: refuse the 32768th entry
    // rather than let a count wrap.
    if (ListCount(list) >= kListCapacity)
        throw Error(std::string("ListAppend: ") + layout::RowOf(list).name + " is full");
    // Unsorted, so LB_ADDSTRING appends at the end.
    const LRESULT index = SendMessageW(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE)
        throw Error(std::string("ListAppend to ") + layout::RowOf(list).name + " failed");
}

void Form1::ListClear(ControlId list)
{
    SendMessageW(ExpectList(list, "ListClear"), LB_RESETCONTENT, 0, 0);
}

void Form1::ShowMessage(const std::wstring& text)
{
    if (Closing())
        return; // the user has closed the window: nobody is left to answer a box

    // Owned by the window: modal to it (no click reaches the form meanwhile) and above it
    // in the topmost band.
    if (MessageBoxW(hwnd_, text.c_str(), kMessageCaption, MB_OK) == 0)
        throw Error("MessageBox failed");
}

// --- Message loop -----------------------------------------------------------------------

int RunMessageLoop(Form1& form)
{
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 1;
        if (form.PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace tessaly
