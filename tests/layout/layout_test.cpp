#include "layout/layout.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tessaly::layout {

// For failure messages (found by argument-dependent lookup, so outside the anonymous namespace).
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "{" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << "}";
}

namespace {

// The window's layout sheet, transcribed mechanically (visible
// controls, the frames' header lines with their controls, hidden controls), in the
// sheet's order. The layout table was typed by hand; this cross-checks it.
struct SheetRow {
    const char* name;
    const char* kind; // as coarse as the sheet: Label, TextBox, List, ...
    const wchar_t* caption;
    Rect rect;
    int tab;
    const char* container;
    bool visible;
    bool selected;
};

// clang-format off
const SheetRow kSheet[] = {
{"Label1", "Label", L"Machine Name:", {45, 45, 1695, 255}, 0, "Window", true, false},
    {"Label2", "Label", L"", {1800, 45, 3015, 255}, 1, "Window", true, false},
    {"Label5", "Label", L"Probe Dia:", {60, 450, 855, 255}, 7, "Window", true, false},
    {"Text1", "TextBox", L"", {930, 405, 975, 330}, 8, "Window", true, false},
    {"Check4", "CheckBox", L"Create Spline", {2340, 2295, 1455, 255}, 10, "Window", true, false},
    {"Command2", "CommandButton", L"Send To Acad", {855, 4950, 1335, 375}, 3, "Window", true, false},
    {"Command1", "CommandButton", L"Close", {2520, 4950, 1350, 375}, 2, "Window", true, false},
    {"Frame6", "Frame", L"Plot Features", {45, 810, 1995, 1860}, 42, "Window", true, false},
    {"List2", "List", L"", {135, 270, 1725, 1035}, 43, "Frame6", true, false},
    {"Label13", "Label", L"Single or Multi Select Items for Plot", {135, 1350, 1680, 375}, 44, "Frame6", true, false},
    {"Frame1", "Frame", L"Shift", {2160, 810, 1290, 1245}, 35, "Window", true, false},
    {"Label10", "Label", L"X:", {120, 240, 135, 165}, 37, "Frame1", true, false},
    {"Text6", "TextBox", L"", {315, 225, 885, 285}, 36, "Frame1", true, false},
    {"Label11", "Label", L"Y:", {120, 600, 165, 195}, 38, "Frame1", true, false},
    {"Text7", "TextBox", L"", {315, 540, 870, 285}, 40, "Frame1", true, false},
    {"Label12", "Label", L"Z:", {135, 900, 165, 255}, 39, "Frame1", true, false},
    {"Text8", "TextBox", L"", {315, 855, 870, 285}, 41, "Frame1", true, false},
    {"Frame3", "Frame", L"Mirror", {3555, 810, 810, 1200}, 18, "Window", true, false},
    {"Check5", "CheckBox", L"X", {180, 240, 495, 195}, 19, "Frame3", true, false},
    {"Check6", "CheckBox", L"Y", {180, 495, 495, 255}, 20, "Frame3", true, false},
    {"Check7", "CheckBox", L"Z", {180, 810, 495, 255}, 21, "Frame3", true, false},
    {"Frame4", "Frame", L"Check Part With:", {45, 2745, 2130, 1860}, 22, "Window", true, false},
    {"Option1", "OptionButton", L"Circles", {180, 270, 870, 330}, 31, "Frame4", true, true},
    {"Option2", "OptionButton", L"Spheres", {180, 585, 1005, 330}, 30, "Frame4", true, false},
    {"Option5", "OptionButton", L"Sphere Tolerance", {180, 1080, 1635, 240}, 32, "Frame4", true, false},
    {"Label7", "Label", L"\u00B1 Tolerance: ", {180, 1440, 1005, 285}, 34, "Frame4", true, false},
    {"Text3", "TextBox", L"", {1170, 1350, 735, 330}, 33, "Frame4", true, false},
    {"Frame2", "Frame", L"Change Depth Of:", {2295, 3285, 2070, 1335}, 11, "Window", true, false},
    {"Check1", "CheckBox", L"X", {240, 360, 495, 255}, 14, "Frame2", true, false},
    {"Check2", "CheckBox", L"Y", {810, 360, 375, 255}, 13, "Frame2", true, false},
    {"Check3", "CheckBox", L"Z", {1350, 360, 495, 255}, 12, "Frame2", true, false},
    {"Label3", "Label", L"To:", {120, 720, 495, 255}, 17, "Frame2", true, false},
    {"Option3", "OptionButton", L"Zero", {180, 960, 735, 255}, 15, "Frame2", true, true},
    {"Option4", "OptionButton", L"Start Point", {945, 960, 1095, 255}, 16, "Frame2", true, false},
    {"List1", "List", L"", {2160, 0, 4695, 2010}, 6, "Window", false, false},
    {"Label4", "Label", L"", {1395, 2745, 1695, 255}, 4, "Window", false, false},
    {"Frame5", "Frame", L"Plot Feature", {2790, 4140, 2850, 1230}, 23, "Window", false, false},
    {"Label6", "Label", L"Feature:", {135, 360, 705, 285}, 25, "Frame5", false, false},
    {"Combo1", "ComboBox", L"", {840, 315, 975, 315}, 24, "Frame5", false, false},
    {"Label8", "Label", L"Plot Features F", {135, 765, 1095, 240}, 26, "Frame5", false, false},
    {"Text4", "TextBox", L"", {1215, 720, 555, 285}, 27, "Frame5", false, false},
    {"Label9", "Label", L"Thru", {1800, 765, 375, 195}, 28, "Frame5", false, false},
    {"Text5", "TextBox", L"", {2205, 720, 510, 285}, 29, "Frame5", false, false},
    {"Command3", "CommandButton", L"Clear List", {3915, 2145, 1455, 375}, 5, "Window", false, false},
    {"Text2", "TextBox", L"F5", {3795, 2865, 690, 330}, 9, "Window", false, false},
};
// clang-format on

const char* SheetKind(Kind kind)
{
    switch (kind) {
    case Kind::Label:
    case Kind::LineLabel: return "Label";
    case Kind::ListBox:
    case Kind::ExtendedListBox: return "List";
    case Kind::TextBox: return "TextBox";
    case Kind::CheckBox: return "CheckBox";
    case Kind::OptionButton: return "OptionButton";
    case Kind::Frame: return "Frame";
    case Kind::ComboBox: return "ComboBox";
    case Kind::CommandButton: return "CommandButton";
    }
    return "?";
}

const Row* FindRow(const std::string& name)
{
    for (const Row& row : kTable)
        if (name == row.name)
            return &row;
    return nullptr;
}

std::string ContainerName(const Row& row)
{
    return row.frame == kOnWindow ? "Window" : RowOf(row.frame).name;
}

TEST(LayoutTable, EveryControlHasOneRowMatchingTheLayoutSheet)
{
    ASSERT_EQ(std::size(kSheet), kTable.size());
    std::set<std::string> names;
    for (const SheetRow& sheet : kSheet) {
        SCOPED_TRACE(sheet.name);
        EXPECT_TRUE(names.insert(sheet.name).second) << "listed twice";
        const Row* row = FindRow(sheet.name);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(SheetKind(row->kind), sheet.kind);
        EXPECT_EQ(std::wstring(row->caption), sheet.caption);
        EXPECT_EQ(row->rect, sheet.rect);
        EXPECT_EQ(row->tabIndex, sheet.tab);
        EXPECT_EQ(ContainerName(*row), sheet.container);
        EXPECT_EQ(row->visible, sheet.visible);
        EXPECT_EQ(row->selected, sheet.selected);
    }
}

TEST(LayoutTable, RowsAreNamedAfterTheirControlId)
{
    // Names follow the enum: Label1..Label13, Text1..Text8, ..., in ControlId order (the
    // order itself is a static_assert of the table).
    const std::vector<std::pair<std::string, int>> families = {{"Label", 13}, {"Text", 8},   {"Check", 7},
                                                               {"Option", 5}, {"Frame", 6},  {"List", 2},
                                                               {"Combo", 1},  {"Command", 3}};
    std::size_t i = 0;
    for (const auto& [family, count] : families)
        for (int n = 1; n <= count; ++n, ++i) {
            ASSERT_LT(i, kTable.size());
            EXPECT_EQ(kTable[i].name, family + std::to_string(n));
        }
    EXPECT_EQ(i, static_cast<std::size_t>(kControlCount));
}

// The tab indexes are a permutation (a static_assert of the table); creation follows them.
TEST(LayoutTable, CreationFollowsTheTabIndexes)
{
    const std::vector<ControlId> order = CreationOrder();
    ASSERT_EQ(order.size(), kTable.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(RowOf(order[i]).tabIndex, static_cast<int>(i));
    EXPECT_EQ(order.front(), ControlId::Label1);
    EXPECT_EQ(order.back(), ControlId::Label13);
}

TEST(LayoutTable, KeyboardSequenceIsThatOfTheLayoutSheet)
{
    // Visible controls that take the focus, by tab index; an option group is one stop.
    std::vector<std::string> sequence;
    for (ControlId id : CreationOrder()) {
        const Row& row = RowOf(id);
        if (!TakesFocus(row))
            continue;
        if (row.kind == Kind::OptionButton) {
            if (StartsGroup(row))
                sequence.push_back("group of " + std::string(row.name));
            continue;
        }
        sequence.push_back(row.name);
    }
    EXPECT_EQ(sequence, (std::vector<std::string>{"Command1", "Command2", "Text1", "Check4", "Check3", "Check2",
                                                  "Check1", "group of Option3", "Check5", "Check6", "Check7",
                                                  "group of Option2", "Text3", "Text6", "Text7", "Text8", "List2"}));
}

TEST(LayoutTable, OptionGroupsAreContiguousWithOneSelectedButton)
{
    std::map<std::string, std::vector<const Row*>> groups;
    for (ControlId id : CreationOrder())
        if (RowOf(id).kind == Kind::OptionButton)
            groups[ContainerName(RowOf(id))].push_back(&RowOf(id));
    ASSERT_EQ(groups.size(), 2u);
    const std::map<std::string, std::vector<std::string>> expected = {{"Frame4", {"Option2", "Option1", "Option5"}},
                                                                      {"Frame2", {"Option3", "Option4"}}};
    for (const auto& [frame, members] : groups) {
        SCOPED_TRACE(frame);
        std::vector<std::string> names;
        int selected = 0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            names.push_back(members[i]->name);
            selected += members[i]->selected ? 1 : 0;
            EXPECT_EQ(members[i]->tabIndex, members[0]->tabIndex + static_cast<int>(i)) << "not contiguous";
            EXPECT_EQ(StartsGroup(*members[i]), i == 0) << members[i]->name;
        }
        EXPECT_EQ(names, expected.at(frame));
        EXPECT_EQ(selected, 1);
    }
    EXPECT_TRUE(RowOf(ControlId::Option1).selected);
    EXPECT_TRUE(RowOf(ControlId::Option3).selected);
}

TEST(LayoutTable, ControlsLieInsideTheirContainers)
{
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.name);
        EXPECT_GT(row.rect.width, 0);
        EXPECT_GT(row.rect.height, 0);
        if (row.frame != kOnWindow) {
            const Row& frame = RowOf(row.frame);
            EXPECT_EQ(frame.kind, Kind::Frame);
            EXPECT_GT(row.tabIndex, frame.tabIndex);
            EXPECT_LE(row.rect.right(), frame.rect.width);
            EXPECT_LE(row.rect.bottom(), frame.rect.height);
            EXPECT_TRUE(frame.visible || !row.visible) << "a hidden frame hides what it holds";
        }
        if (!row.visible)
            continue;
        const Rect r = WindowRect(row.id);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.bottom(), kClientHeight);
        // Label2 is the one visible control that reaches past the window's edge.
        if (row.id == ControlId::Label2)
            EXPECT_EQ(r.right(), kClientWidth + 360);
        else
            EXPECT_LE(r.right(), kClientWidth);
    }
}

TEST(LayoutTable, FontsColoursAndKinds)
{
    for (const Row& row : kTable) {
        SCOPED_TRACE(row.name);
        const bool heading = row.id == ControlId::Label1 || row.id == ControlId::Label2;
        EXPECT_EQ(row.font, heading ? Font::Bold : Font::Normal);
        EXPECT_EQ(row.colour, row.id == ControlId::Label2 ? kRed : kSystemText);
    }
    EXPECT_EQ(RowOf(ControlId::Label2).kind, Kind::LineLabel);
    EXPECT_EQ(RowOf(ControlId::Label13).kind, Kind::Label);
    EXPECT_EQ(RowOf(ControlId::List2).kind, Kind::ExtendedListBox);
    EXPECT_EQ(RowOf(ControlId::List1).kind, Kind::ListBox);
    EXPECT_EQ(FontSpecOf(Font::Normal).hundredthsOfPoint, 800);
    EXPECT_EQ(FontSpecOf(Font::Normal).weight, 400);
    EXPECT_EQ(FontSpecOf(Font::Bold).hundredthsOfPoint, 975);
    EXPECT_EQ(FontSpecOf(Font::Bold).weight, 700);
    EXPECT_EQ(std::wstring(FontSpecOf(Font::Bold).face), L"MS Sans Serif");
    EXPECT_EQ(std::wstring(kCaption), L"Tessaly 3.5");
}

TEST(Twips, ToPixelsAt96And144Dpi)
{
    // 96 dpi: 15 twips per pixel, the window's 297 x 365 pixels.
    EXPECT_EQ(TwipsToPixels(kClientWidth, 96), 297);
    EXPECT_EQ(TwipsToPixels(kClientHeight, 96), 365);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(0, 96), 0);
    // 144 dpi: 10 twips per pixel; halves round away from zero, as MulDiv does.
    EXPECT_EQ(TwipsToPixels(kClientWidth, 144), 446);
    EXPECT_EQ(TwipsToPixels(kClientHeight, 144), 548);
    EXPECT_EQ(TwipsToPixels(45, 144), 5);
    EXPECT_EQ(TwipsToPixels(-45, 144), -5);
    EXPECT_EQ(TwipsToPixels(1440, 120), 120);

    // Edges are converted, so that the edges of touching rectangles stay together.
    const PixelRect list2 = ToPixels(WindowRect(ControlId::List2), 144);
    EXPECT_EQ(list2.left, 18);    // 45 + 135 twips
    EXPECT_EQ(list2.top, 108);    // 810 + 270
    EXPECT_EQ(list2.right, 191);  // 1905 twips = 190.5
    EXPECT_EQ(list2.bottom, 212); // 2115
    const PixelRect close = ToPixels(RowOf(ControlId::Command1).rect, 96);
    EXPECT_EQ(close.left, 168);
    EXPECT_EQ(close.top, 330);
    EXPECT_EQ(close.width(), 90);
    EXPECT_EQ(close.height(), 25);
}

TEST(Twips, ControlsOfAFrameArePlacedFromItsOrigin)
{
    EXPECT_EQ(WindowRect(ControlId::Text6), (Rect{2160 + 315, 810 + 225, 885, 285}));
    EXPECT_EQ(WindowRect(ControlId::Combo1), (Rect{2790 + 840, 4140 + 315, 975, 315}));
    EXPECT_EQ(WindowRect(ControlId::Text1), RowOf(ControlId::Text1).rect);
}

TEST(Twips, FontHeights)
{
    EXPECT_EQ(FontHeight(Font::Normal, 96), -11);
    EXPECT_EQ(FontHeight(Font::Bold, 96), -13);
    EXPECT_EQ(FontHeight(Font::Normal, 144), -16);
    EXPECT_EQ(FontHeight(Font::Bold, 144), -20);
}

} // namespace
} // namespace tessaly::layout
