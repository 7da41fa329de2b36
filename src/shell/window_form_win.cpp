#include "shell/window_form_win.h"

#include <algorithm>

#include "layout/child_window_ids.h"
#include "shell/message_filter_win.h"
#include "win32/failure.h"

namespace tessaly {

namespace {

using layout::Kind;

// The program's name: the caption of its message boxes, which have no title of their own.
constexpr wchar_t kMessageCaption[] = L"Tessaly";

std::wstring WindowText(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

std::string Named(const char* operation, ControlId id)
{
    return std::string(operation) + " on " + layout::RowOf(id).name;
}

Error NoEntry(const char* operation, ControlId list, int index)
{
    return Error(std::string(operation) + " of " + layout::RowOf(list).name + ": no entry " + std::to_string(index));
}

} // namespace

HWND WindowForm::Control(ControlId id) const noexcept
{
    const HWND window = FormWindow();
    return window ? GetDlgItem(window, DialogId(id)) : nullptr;
}

HWND WindowForm::Expect(ControlId id, std::initializer_list<Kind> kinds, const char* operation) const
{
    const int index = static_cast<int>(id);
    if (index < 0 || index >= kControlCount)
        throw Error(std::string(operation) + ": no such control");
    const layout::Row& row = layout::RowOf(id);
    if (std::find(kinds.begin(), kinds.end(), row.kind) == kinds.end())
        throw Error(std::string(operation) + ": not possible on " + row.name);
    const HWND control = Control(id);
    if (!control)
        throw Error(Named(operation, id) + ": the window is gone");
    return control;
}

HWND WindowForm::ExpectList(ControlId id, const char* operation) const
{
    return Expect(id, {Kind::ListBox, Kind::ExtendedListBox}, operation);
}

void WindowForm::SetCaption(ControlId label, const std::wstring& caption)
{
    if (!SetWindowTextW(Expect(label, {Kind::Label, Kind::LineLabel}, "SetCaption"), caption.c_str()))
        throw LastWin32Error(Named("SetCaption", label));
}

std::wstring WindowForm::GetText(ControlId control) const
{
    return WindowText(Expect(control, {Kind::TextBox, Kind::ComboBox}, "GetText"));
}

void WindowForm::SetText(ControlId textBox, const std::wstring& text)
{
    if (!SetWindowTextW(Expect(textBox, {Kind::TextBox}, "SetText"), text.c_str()))
        throw LastWin32Error(Named("SetText", textBox));
}

int WindowForm::CheckValue(ControlId checkBox) const
{
    const HWND control = Expect(checkBox, {Kind::CheckBox}, "CheckValue");
    // BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2: the values the action tests.
    return static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
}

bool WindowForm::OptionValue(ControlId optionButton) const
{
    const HWND control = Expect(optionButton, {Kind::OptionButton}, "OptionValue");
    return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int WindowForm::ListCount(ControlId list) const
{
    const LRESULT count = SendMessageW(ExpectList(list, "ListCount"), LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        throw Error(std::string("ListCount of ") + layout::RowOf(list).name + " failed");
    return static_cast<int>(count);
}

std::wstring WindowForm::ListItem(ControlId list, int index) const
{
    const HWND control = ExpectList(list, "ListItem");
    const LRESULT length = SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == LB_ERR)
        throw NoEntry("ListItem", list, index);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR)
        throw NoEntry("ListItem", list, index);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool WindowForm::ListSelected(ControlId list, int index) const
{
    const HWND control = ExpectList(list, "ListSelected");
    const LRESULT selected = index < 0 ? LB_ERR : SendMessageW(control, LB_GETSEL, static_cast<WPARAM>(index), 0);
    if (selected == LB_ERR)
        throw NoEntry("ListSelected", list, index);
    return selected > 0;
}

void WindowForm::ListAppend(ControlId list, const std::wstring& entry)
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

void WindowForm::ListClear(ControlId list)
{
    SendMessageW(ExpectList(list, "ListClear"), LB_RESETCONTENT, 0, 0);
}

void WindowForm::ShowMessage(const std::wstring& text)
{
    if (Closing())
        return; // the user has closed the window: nobody is left to answer a box

    // Owned by the window: modal to it (no click reaches the form meanwhile) and above it
    // in the topmost band.
    const int answer = MessageBoxW(FormWindow(), text.c_str(), kMessageCaption, MB_OK);
    // A WM_QUIT ends the box's loop, which posts it again.
    if (window_.CloseIfQuitPosted())
        return;
    if (answer == 0)
        throw LastWin32Error("MessageBox");
}

} // namespace tessaly
