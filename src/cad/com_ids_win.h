#pragma once

#include <windows.h>

namespace tessaly::cad::ids {

// The class of the running instance.
constexpr wchar_t kProgId[] = L"AutoCAD.Application.15";

// The circle interface that "AddCircle" results are queried for.
constexpr IID kCircleIid = {0x2928D4A4, 0xCA93, 0x11D1, {0xB6, 0x0F, 0x00, 0x60, 0xB0, 0x87, 0xE2, 0x35}};

} // namespace tessaly::cad::ids
