#pragma once

// The fixed part of the measuring application's automation model: its class, the
// interfaces that results are queried for, and the members called by DISPID. Shared by
// the COM binding and the simulated cell that serves it.

#include <windows.h>

namespace tessaly::dmis::ids {

// The class the application object is created from.
constexpr wchar_t kProgId[] = L"pcdlrn.application";

constexpr IID kApplicationIid = {0xDBFA4CA8, 0xC490, 0x11D3, {0x91, 0xB5, 0x00, 0xC0, 0x4F, 0x79, 0x63, 0x27}};
constexpr IID kMachineIid = {0x72555404, 0xEC03, 0x11D1, {0x94, 0xC4, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kCommandsIid = {0xFCCF1AE8, 0xFA24, 0x11D1, {0x94, 0xDC, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kCommandIid = {0xFCCF1AEB, 0xFA24, 0x11D1, {0x94, 0xDC, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kFeatureDataIid = {0xEB3ECBD7, 0x0B76, 0x11D2, {0x94, 0xF0, 0x00, 0x60, 0x08, 0x40, 0x43, 0xB5}};
constexpr IID kPointIid = {0xDBFA4CA7, 0xC490, 0x11D3, {0x91, 0xB5, 0x00, 0xC0, 0x4F, 0x79, 0x63, 0x27}};

// application
constexpr DISPID kCurrentProgram = 2;
constexpr DISPID kMachineAt = 16;
// machine
constexpr DISPID kMachineName = 1;
// commands
constexpr DISPID kCommandByID = 9;
// command
constexpr DISPID kDefaultValue = 0;
constexpr DISPID kFeatureData = 9;
// feature data
constexpr DISPID kPointCount = 2;
constexpr DISPID kGetPoint = 65;
// point: X, Y, Z
constexpr DISPID kAxis[] = {1, 2, 3};

} // namespace tessaly::dmis::ids
