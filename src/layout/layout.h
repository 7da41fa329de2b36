#pragma once

// The main window's layout as data: one row per control, read like the window's layout
// sheet. Portable: no windows.h here; LayoutControls (layout_controls_win.cpp) turns
// each row into a child window, and its kind into a window class and style bits in one
// function.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "action/control_names.h"

namespace tessaly::layout {

// What a control is. The kind alone decides the window class and the style bits.
enum class Kind : std::uint8_t {
    Label,           // static text that wraps inside its box
    LineLabel,       // static text on one line, cut at its right edge (the status line Label2)
    TextBox,         // single-line edit
    CheckBox,        // two-state check box
    OptionButton,    // radio button; the option buttons of one frame form one group
    Frame,           // group box
    ListBox,         // single selection, unsorted
    ExtendedListBox, // extended multiple selection (click, Ctrl+click, Shift+click), unsorted
    ComboBox,        // drop-down combo box with an edit field
    CommandButton,   // push button, never the default button
};

enum class Font : std::uint8_t {
    Normal, // "MS Sans Serif" 8 pt, regular
    Bold,   // "MS Sans Serif" 9.75 pt, weight 700
};

struct FontSpec {
    const wchar_t* face;
    int hundredthsOfPoint;
    int weight;
};

constexpr FontSpec FontSpecOf(Font font)
{
    return font == Font::Bold ? FontSpec{L"MS Sans Serif", 975, 700} : FontSpec{L"MS Sans Serif", 800, 400};
}

// Text colour: the system's standard text colour, or an RGB value.
struct Colour {
    bool system;
    std::uint8_t r, g, b;
    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};
inline constexpr Colour kSystemText{true, 0, 0, 0};
inline constexpr Colour kRed{false, 255, 0, 0};

// Twips (1440 per inch), from the top-left corner of the container's client area.
struct Rect {
    int left, top, width, height;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// The container of a control placed directly on the window.
inline constexpr ControlId kOnWindow = ControlId::Count;

struct Row {
    ControlId id;     // the row's own control: rows are in ControlId order
    const char* name; // the control's name, as the code calls it
    Kind kind;
    const wchar_t* caption; // caption, or initial text of a text box; empty for lists
    Rect rect;              // twips, relative to the container
    int tabIndex;
    ControlId frame; // container: kOnWindow or a Frame
    bool visible;
    bool selected; // initially checked (option buttons)
    Font font;
    Colour colour;
};

// The window itself.
inline constexpr const wchar_t* kCaption = L"Tessaly 3.5";
inline constexpr int kClientWidth = 4455;  // twips
inline constexpr int kClientHeight = 5475; // twips

namespace detail {

constexpr bool kShown = true;
constexpr bool kHidden = false;
constexpr bool kSelected = true;
constexpr bool kClear = false;

constexpr std::array<Row, kControlCount> MakeTable()
{
    using enum ControlId;
    using enum Kind;
    using enum Font;
    constexpr ControlId Window = kOnWindow;
    // clang-format off
    return {{
    //  control    name        kind             caption / initial content                 left  top   width height  tab  frame   visible  selected   font    colour
    {Label1,   "Label1",   Label,           L"Machine Name:",                          {  45,   45, 1695,  255},  0, Window, kShown,  kClear,    Bold,   kSystemText},
    {Label2,   "Label2",   LineLabel,       L"",                                       {1800,   45, 3015,  255},  1, Window, kShown,  kClear,    Bold,   kRed},
    {Label3,   "Label3",   Label,           L"To:",                                    { 120,  720,  495,  255}, 17, Frame2, kShown,  kClear,    Normal, kSystemText},
    {Label4,   "Label4",   Label,           L"",                                       {1395, 2745, 1695,  255},  4, Window, kHidden, kClear,    Normal, kSystemText},
    {Label5,   "Label5",   Label,           L"Probe Dia:",                             {  60,  450,  855,  255},  7, Window, kShown,  kClear,    Normal, kSystemText},
    {Label6,   "Label6",   Label,           L"Feature:",                               { 135,  360,  705,  285}, 25, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Label7,   "Label7",   Label,           L"\u00B1 Tolerance: ",                     { 180, 1440, 1005,  285}, 34, Frame4, kShown,  kClear,    Normal, kSystemText},
    {Label8,   "Label8",   Label,           L"Plot Features F",                        { 135,  765, 1095,  240}, 26, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Label9,   "Label9",   Label,           L"Thru",                                   {1800,  765,  375,  195}, 28, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Label10,  "Label10",  Label,           L"X:",                                     { 120,  240,  135,  165}, 37, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Label11,  "Label11",  Label,           L"Y:",                                     { 120,  600,  165,  195}, 38, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Label12,  "Label12",  Label,           L"Z:",                                     { 135,  900,  165,  255}, 39, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Label13,  "Label13",  Label,           L"Single or Multi Select Items for Plot",  { 135, 1350, 1680,  375}, 44, Frame6, kShown,  kClear,    Normal, kSystemText},
    {Text1,    "Text1",    TextBox,         L"",                                       { 930,  405,  975,  330},  8, Window, kShown,  kClear,    Normal, kSystemText},
    {Text2,    "Text2",    TextBox,         L"F5",                                     {3795, 2865,  690,  330},  9, Window, kHidden, kClear,    Normal, kSystemText},
    {Text3,    "Text3",    TextBox,         L"",                                       {1170, 1350,  735,  330}, 33, Frame4, kShown,  kClear,    Normal, kSystemText},
    {Text4,    "Text4",    TextBox,         L"",                                       {1215,  720,  555,  285}, 27, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Text5,    "Text5",    TextBox,         L"",                                       {2205,  720,  510,  285}, 29, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Text6,    "Text6",    TextBox,         L"",                                       { 315,  225,  885,  285}, 36, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Text7,    "Text7",    TextBox,         L"",                                       { 315,  540,  870,  285}, 40, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Text8,    "Text8",    TextBox,         L"",                                       { 315,  855,  870,  285}, 41, Frame1, kShown,  kClear,    Normal, kSystemText},
    {Check1,   "Check1",   CheckBox,        L"X",                                      { 240,  360,  495,  255}, 14, Frame2, kShown,  kClear,    Normal, kSystemText},
    {Check2,   "Check2",   CheckBox,        L"Y",                                      { 810,  360,  375,  255}, 13, Frame2, kShown,  kClear,    Normal, kSystemText},
    {Check3,   "Check3",   CheckBox,        L"Z",                                      {1350,  360,  495,  255}, 12, Frame2, kShown,  kClear,    Normal, kSystemText},
    {Check4,   "Check4",   CheckBox,        L"Create Spline",                          {2340, 2295, 1455,  255}, 10, Window, kShown,  kClear,    Normal, kSystemText},
    {Check5,   "Check5",   CheckBox,        L"X",                                      { 180,  240,  495,  195}, 19, Frame3, kShown,  kClear,    Normal, kSystemText},
    {Check6,   "Check6",   CheckBox,        L"Y",                                      { 180,  495,  495,  255}, 20, Frame3, kShown,  kClear,    Normal, kSystemText},
    {Check7,   "Check7",   CheckBox,        L"Z",                                      { 180,  810,  495,  255}, 21, Frame3, kShown,  kClear,    Normal, kSystemText},
    {Option1,  "Option1",  OptionButton,    L"Circles",                                { 180,  270,  870,  330}, 31, Frame4, kShown,  kSelected, Normal, kSystemText},
    {Option2,  "Option2",  OptionButton,    L"Spheres",                                { 180,  585, 1005,  330}, 30, Frame4, kShown,  kClear,    Normal, kSystemText},
    {Option3,  "Option3",  OptionButton,    L"Zero",                                   { 180,  960,  735,  255}, 15, Frame2, kShown,  kSelected, Normal, kSystemText},
    {Option4,  "Option4",  OptionButton,    L"Start Point",                            { 945,  960, 1095,  255}, 16, Frame2, kShown,  kClear,    Normal, kSystemText},
    {Option5,  "Option5",  OptionButton,    L"Sphere Tolerance",                       { 180, 1080, 1635,  240}, 32, Frame4, kShown,  kClear,    Normal, kSystemText},
    {Frame1,   "Frame1",   Frame,           L"Shift",                                  {2160,  810, 1290, 1245}, 35, Window, kShown,  kClear,    Normal, kSystemText},
    {Frame2,   "Frame2",   Frame,           L"Change Depth Of:",                       {2295, 3285, 2070, 1335}, 11, Window, kShown,  kClear,    Normal, kSystemText},
    {Frame3,   "Frame3",   Frame,           L"Mirror",                                 {3555,  810,  810, 1200}, 18, Window, kShown,  kClear,    Normal, kSystemText},
    {Frame4,   "Frame4",   Frame,           L"Check Part With:",                       {  45, 2745, 2130, 1860}, 22, Window, kShown,  kClear,    Normal, kSystemText},
    {Frame5,   "Frame5",   Frame,           L"Plot Feature",                           {2790, 4140, 2850, 1230}, 23, Window, kHidden, kClear,    Normal, kSystemText},
    {Frame6,   "Frame6",   Frame,           L"Plot Features",                          {  45,  810, 1995, 1860}, 42, Window, kShown,  kClear,    Normal, kSystemText},
    {List1,    "List1",    ListBox,         L"",                                       {2160,    0, 4695, 2010},  6, Window, kHidden, kClear,    Normal, kSystemText},
    {List2,    "List2",    ExtendedListBox, L"",                                       { 135,  270, 1725, 1035}, 43, Frame6, kShown,  kClear,    Normal, kSystemText},
    {Combo1,   "Combo1",   ComboBox,        L"",                                       { 840,  315,  975,  315}, 24, Frame5, kHidden, kClear,    Normal, kSystemText},
    {Command1, "Command1", CommandButton,   L"Close",                                  {2520, 4950, 1350,  375},  2, Window, kShown,  kClear,    Normal, kSystemText},
    {Command2, "Command2", CommandButton,   L"Send To Acad",                           { 855, 4950, 1335,  375},  3, Window, kShown,  kClear,    Normal, kSystemText},
    {Command3, "Command3", CommandButton,   L"Clear List",                             {3915, 2145, 1455,  375},  5, Window, kHidden, kClear,    Normal, kSystemText},
    }};
    // clang-format on
}

} // namespace detail

inline constexpr std::array<Row, kControlCount> kTable = detail::MakeTable();

constexpr const Row& RowOf(ControlId id)
{
    return kTable[static_cast<std::size_t>(id)];
}

namespace detail {

// Every row sits at its control's index, so kTable[id] is that control's row; a row
// left out would leave a value-initialised row (id Label1) at the wrong index.
constexpr bool RowsInControlOrder()
{
    for (int i = 0; i < kControlCount; ++i)
        if (static_cast<int>(kTable[i].id) != i)
            return false;
    return true;
}

// Tab indexes run from 0 to the count less one, each once: creation in tab order then
// gives every control its own place in the Z-order and so in the dialog manager's order.
constexpr bool TabIndexesArePermutation()
{
    std::array<bool, kControlCount> seen{};
    for (const Row& row : kTable) {
        if (row.tabIndex < 0 || row.tabIndex >= kControlCount || seen[row.tabIndex])
            return false;
        seen[row.tabIndex] = true;
    }
    return true;
}

} // namespace detail

static_assert(kTable.size() == static_cast<std::size_t>(ControlId::Count), "one row per control");
static_assert(detail::RowsInControlOrder(), "rows must be in ControlId order");
static_assert(detail::TabIndexesArePermutation(), "tab indexes must be 0..Count-1, each once");

// Twips to pixels at `dpi` dots per inch, rounded half away from zero (as MulDiv does).
constexpr int TwipsToPixels(int twips, int dpi)
{
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

// Pixel rectangle: edges are converted, not sizes, so that edges that meet in twips
// meet in pixels too.
struct PixelRect {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
PixelRect ToPixels(const Rect& twips, int dpi);

// The control's rectangle relative to the window's client area: a control in a frame
// sits at the frame's origin plus its own offset.
Rect WindowRect(ControlId id);

// Every control, sorted by tab index: the order in which the window creates them.
std::vector<ControlId> CreationOrder();

// Whether the control can take the keyboard focus at all (visible, and a kind that does).
bool TakesFocus(const Row& row);

// An option button that is the first of its group in tab order: the control before it
// is not an option button of the same frame.
bool StartsGroup(const Row& row);

// Font size in logical units for a LOGFONT at `dpi` (negative: the character height).
int FontHeight(Font font, int dpi);

} // namespace tessaly::layout
