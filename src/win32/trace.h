#pragma once

#include <string_view>

namespace tessaly {

// The one diagnostic output of the program and its tools (the debugger's,
// OutputDebugString): what the user is not shown, such as a handler's failure caught at
// the window procedure.
void Trace(std::string_view what, std::string_view detail) noexcept;

} // namespace tessaly
