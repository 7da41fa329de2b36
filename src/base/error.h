#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaly {

// The program's one exception type. Every failing operation, in the core, the COM
// bindings and the simulations, throws it; the action's armed reports catch it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& diagnostic) : std::runtime_error(diagnostic) {}
    // A failure that came with a code, the HRESULT of a COM call (the core sees no
    // windows.h: an HRESULT is a 32-bit signed integer).
    Error(const std::string& diagnostic, std::int32_t code) : std::runtime_error(diagnostic), code_(code) {}

    // The HRESULT, where the failure had one; the text holds it too.
    std::optional<std::int32_t> code() const noexcept { return code_; }

private:
    std::optional<std::int32_t> code_;
};

} // namespace tessaly
