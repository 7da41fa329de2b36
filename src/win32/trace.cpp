#include "win32/trace.h"

#include <windows.h>

#include <string>

namespace tessaly {

void Trace(std::string_view what, std::string_view detail) noexcept
{
    try {
        const std::string line = "Tessaly: " + std::string(what) + ": " + std::string(detail) + "\n";
        OutputDebugStringA(line.c_str());
    } catch (...) {
        OutputDebugStringA("Tessaly: no memory for a trace\n");
    }
}

} // namespace tessaly
