#pragma once

namespace tessaly {

// Every control of the main window, by its name. The layout table is indexed by it.
// A row per kind of control, as the names run.
// clang-format off
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
// clang-format on

constexpr int kControlCount = static_cast<int>(ControlId::Count);

// The controls the action reads and writes, by what they are on the window.
// clang-format off
constexpr ControlId kStatusLine = ControlId::Label2;
constexpr ControlId kProbeDiameter = ControlId::Text1;             // "Probe Dia:"
constexpr ControlId kTolerance = ControlId::Text3;                 // "± Tolerance: "
constexpr ControlId kShift[3] = {ControlId::Text6, ControlId::Text7, ControlId::Text8};         // "Shift" X, Y, Z
constexpr ControlId kMirror[3] = {ControlId::Check5, ControlId::Check6, ControlId::Check7};     // "Mirror" X, Y, Z
constexpr ControlId kChangeDepth[3] = {ControlId::Check1, ControlId::Check2, ControlId::Check3}; // "Change Depth Of:"
constexpr ControlId kCreateSpline = ControlId::Check4;             // "Create Spline"
constexpr ControlId kCircles = ControlId::Option1;                 // "Circles"
constexpr ControlId kSpheres = ControlId::Option2;                 // "Spheres"
constexpr ControlId kDepthZero = ControlId::Option3;               // "Zero" ("Start Point" otherwise)
constexpr ControlId kSphereTolerance = ControlId::Option5;         // "Sphere Tolerance"
constexpr ControlId kPointList = ControlId::List1;                 // hidden: one entry per point
constexpr ControlId kFeatureList = ControlId::List2;               // the feature IDs to pick from
constexpr ControlId kPlotFeature = ControlId::Combo1;              // "Plot Feature" frame, hidden
// clang-format on

} // namespace tessaly
