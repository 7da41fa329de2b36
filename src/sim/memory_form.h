#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "action/form.h"

namespace tessaly::sim {

// The window's controls in memory, in their initial state; message boxes are
// recorded instead of shown. Every operation can be read back by the test.
class MemoryForm : public Form {
public:
    MemoryForm();

    void SetCaption(ControlId label, const std::wstring& caption) override;
    std::wstring GetText(ControlId control) const override;
    void SetText(ControlId textBox, const std::wstring& text) override;
    int CheckValue(ControlId checkBox) const override;
    bool OptionValue(ControlId optionButton) const override;
    int ListCount(ControlId list) const override;
    std::wstring ListItem(ControlId list, int index) const override;
    bool ListSelected(ControlId list, int index) const override;
    void ListAppend(ControlId list, const std::wstring& entry) override;
    void ListClear(ControlId list) override;
    void ShowMessage(const std::wstring& text) override;
    bool Closing() const noexcept override { return closing; }

    // Test side: set what a user would set.
    void SetCheck(ControlId checkBox, int value);
    // Selects one option button and clears the others of its group.
    void SelectOption(ControlId optionButton);
    void Select(ControlId list, int index, bool selected = true);
    // Selects the entries of List2 with these texts and no others.
    void SelectFeatures(const std::vector<std::wstring>& ids);

    std::wstring Caption(ControlId label) const { return text_[Index(label)]; }
    const std::vector<std::wstring>& Items(ControlId list) const;
    std::vector<std::wstring> messages;
    // The window has been asked to close.
    bool closing = false;
    // Captions of Label2 in the order they were written.
    std::vector<std::wstring> label2History;
    // Told of what the user sees change, in order: "Label2 <caption>", "List1 + <entry>",
    // "List1 cleared", "message <text>".
    std::function<void(const std::wstring&)> onSeen;

    // Every operation on this control throws what is not the program's Error, as a failed
    // allocation in a binding or a string would; so does every message box with
    // messagesThrow.
    std::optional<ControlId> throwsOn;
    bool messagesThrow = false;

private:
    static std::size_t Index(ControlId id) { return static_cast<std::size_t>(id); }
    void Use(ControlId control) const;
    void Seen(const std::wstring& what) const;
    struct List {
        std::vector<std::wstring> items;
        std::vector<bool> selected;
    };
    List& ListOf(ControlId list);
    const List& ListOf(ControlId list) const;

    std::array<std::wstring, kControlCount> text_;
    std::array<int, kControlCount> value_{};
    List list1_;
    List list2_;
};

} // namespace tessaly::sim
