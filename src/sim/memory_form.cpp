#include "sim/memory_form.h"

#include <algorithm>
#include <new>

#include "base/error.h"
#include "layout/layout.h"

namespace tessaly::sim {

namespace {

using layout::Kind;
using layout::RowOf;

bool IsOption(ControlId id)
{
    return RowOf(id).kind == Kind::OptionButton;
}
bool IsCheck(ControlId id)
{
    return RowOf(id).kind == Kind::CheckBox;
}
bool IsText(ControlId id)
{
    return RowOf(id).kind == Kind::TextBox || RowOf(id).kind == Kind::ComboBox;
}

} // namespace

// The initial state of the window's layout: the text boxes' contents, the options selected.
MemoryForm::MemoryForm()
{
    for (const layout::Row& row : layout::kTable) {
        if (row.kind == Kind::TextBox)
            text_[Index(row.id)] = row.caption;
        if (row.kind == Kind::OptionButton && row.selected)
            value_[Index(row.id)] = 1;
    }
}

void MemoryForm::SetCaption(ControlId label, const std::wstring& caption)
{
    Use(label);
    if (label != ControlId::Label2)
        throw Error("MemoryForm: only Label2's caption is written");
    text_[Index(label)] = caption;
    label2History.push_back(caption);
    Seen(L"Label2 " + caption);
}

std::wstring MemoryForm::GetText(ControlId control) const
{
    Use(control);
    if (!IsText(control))
        throw Error("MemoryForm: not a text control");
    return text_[Index(control)];
}

void MemoryForm::SetText(ControlId textBox, const std::wstring& text)
{
    Use(textBox);
    if (!IsText(textBox))
        throw Error("MemoryForm: not a text control");
    text_[Index(textBox)] = text;
}

int MemoryForm::CheckValue(ControlId checkBox) const
{
    Use(checkBox);
    if (!IsCheck(checkBox))
        throw Error("MemoryForm: not a check box");
    return value_[Index(checkBox)];
}

bool MemoryForm::OptionValue(ControlId optionButton) const
{
    Use(optionButton);
    if (!IsOption(optionButton))
        throw Error("MemoryForm: not an option button");
    return value_[Index(optionButton)] != 0;
}

MemoryForm::List& MemoryForm::ListOf(ControlId list)
{
    return const_cast<List&>(static_cast<const MemoryForm*>(this)->ListOf(list));
}

const MemoryForm::List& MemoryForm::ListOf(ControlId list) const
{
    if (list == ControlId::List1)
        return list1_;
    if (list == ControlId::List2)
        return list2_;
    throw Error("MemoryForm: not a list box");
}

int MemoryForm::ListCount(ControlId list) const
{
    Use(list);
    return static_cast<int>(ListOf(list).items.size());
}

std::wstring MemoryForm::ListItem(ControlId list, int index) const
{
    Use(list);
    const List& l = ListOf(list);
    if (index < 0 || index >= static_cast<int>(l.items.size()))
        throw Error("MemoryForm: list index out of range");
    return l.items[static_cast<std::size_t>(index)];
}

bool MemoryForm::ListSelected(ControlId list, int index) const
{
    Use(list);
    const List& l = ListOf(list);
    if (index < 0 || index >= static_cast<int>(l.items.size()))
        throw Error("MemoryForm: list index out of range");
    return l.selected[static_cast<std::size_t>(index)];
}

void MemoryForm::ListAppend(ControlId list, const std::wstring& entry)
{
    Use(list);
    List& l = ListOf(list);
    if (l.items.size() >= static_cast<std::size_t>(kListCapacity))
        throw Error("MemoryForm: the list is full");
    l.items.push_back(entry);
    l.selected.push_back(false);
    if (list == ControlId::List1)
        Seen(L"List1 + " + entry);
}

void MemoryForm::ListClear(ControlId list)
{
    Use(list);
    List& l = ListOf(list);
    l.items.clear();
    l.selected.clear();
    if (list == ControlId::List1)
        Seen(L"List1 cleared");
}

void MemoryForm::ShowMessage(const std::wstring& text)
{
    if (messagesThrow)
        throw std::bad_alloc();
    messages.push_back(text);
    Seen(L"message " + text);
}

void MemoryForm::Use(ControlId control) const
{
    if (throwsOn == control)
        throw std::bad_alloc();
}

void MemoryForm::Seen(const std::wstring& what) const
{
    if (onSeen)
        onSeen(what);
}

void MemoryForm::SetCheck(ControlId checkBox, int value)
{
    value_[Index(checkBox)] = value;
}

void MemoryForm::SelectOption(ControlId optionButton)
{
    if (!IsOption(optionButton))
        throw Error("MemoryForm: not an option button");
    // The option buttons of one frame are one group.
    for (const layout::Row& row : layout::kTable)
        if (row.kind == Kind::OptionButton && row.frame == RowOf(optionButton).frame)
            value_[Index(row.id)] = 0;
    value_[Index(optionButton)] = 1;
}

void MemoryForm::Select(ControlId list, int index, bool selected)
{
    ListOf(list).selected.at(static_cast<std::size_t>(index)) = selected;
}

void MemoryForm::SelectFeatures(const std::vector<std::wstring>& ids)
{
    List& l = ListOf(ControlId::List2);
    for (std::size_t i = 0; i < l.items.size(); ++i)
        l.selected[i] = std::find(ids.begin(), ids.end(), l.items[i]) != ids.end();
}

const std::vector<std::wstring>& MemoryForm::Items(ControlId list) const
{
    return ListOf(list).items;
}

} // namespace tessaly::sim
