#pragma once

namespace tessaly {

// Every control of the main window, by its name. The layout table is indexed by it.
enum class ControlId {
    Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10, Label11, Label12, Label13,
    Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8,
    Check1, Check2, Check3, Check4, Check5, Check6, Check7,
    Option1, Option2, Option3, Option4, Option5,
    Frame1, Frame2, Frame3, Frame4, Frame5, Frame6,
    List1, List2,
    Combo1,
    Command1, Command2, Command3,
    Count
};

constexpr int kControlCount = static_cast<int>(ControlId::Count);

} // namespace tessaly
