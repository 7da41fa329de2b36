#include "shell/layout_controls_win.h"

#include <string>
#include <string_view>

#include "layout/child_window_ids.h"
#include "win32/failure.h"
#include "layout/layout.h"

namespace tessaly {

namespace {

using layout::Kind;
using layout::Row;

struct ChildClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

// The one place where a control's kind becomes a window class and style bits.
ChildClass WindowClassOf(const Row& row)
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
        throw LastWin32Error("CreateFontIndirect");
    return result;
}

} // namespace

HWND LayoutControls::Create(HWND window, int dpi)
{
    normalFont_ = MakeFont(layout::Font::Normal, dpi);
    boldFont_ = MakeFont(layout::Font::Bold, dpi);

    // Created in tab-index order: the Z-order is then the tab order that the dialog
    // manager follows. Controls of a frame are children of the window, not of the group
    // box, placed at the frame's origin plus their offset: a group box would swallow its
    // children's WM_COMMAND, and IsDialogMessage only walks the window's own children.
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND firstFocus = nullptr;
    for (ControlId id : layout::CreationOrder()) {
        const Row& row = layout::RowOf(id);
        const ChildClass cls = WindowClassOf(row);
        const layout::PixelRect r = layout::ToPixels(layout::WindowRect(id), dpi);
        int createHeight = r.height();
        if (row.kind == Kind::ComboBox)
            createHeight += kComboListLines * r.height();
        const HWND control =
            CreateWindowExW(cls.exStyle, cls.className, row.caption, cls.style, r.left, r.top, r.width(), createHeight,
                            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(DialogId(id))), instance, nullptr);
        if (!control)
            throw LastWin32Error(std::string("CreateWindowEx of ") + row.name);
        const HFONT font = row.font == layout::Font::Bold ? boldFont_.get() : normalFont_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.kind == Kind::OptionButton && row.selected)
            SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
        if (!firstFocus && layout::TakesFocus(row))
            firstFocus = control;
    }
    if (!firstFocus)
        throw Error("no control takes the focus");
    return firstFocus;
}

std::optional<LRESULT> LayoutControls::ColorStatic(HDC dc, HWND control)
{
    ControlId id{};
    if (!ControlOfDialogId(GetDlgCtrlID(control), id))
        return std::nullopt;
    const Row& row = layout::RowOf(id);
    if (row.colour.system)
        return std::nullopt;
    SetTextColor(dc, RGB(row.colour.r, row.colour.g, row.colour.b));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace tessaly
