#pragma once

#include <stdexcept>
#include <string>

namespace tessaly {

// The program's one exception type. Every failing operation, in the core, the COM
// bindings and the simulations, throws it; the action's armed reports catch it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& diagnostic) : std::runtime_error(diagnostic) {}
};

} // namespace tessaly
