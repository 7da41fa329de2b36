#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// Every automation call of the simulated cell, in order, shared by both simulated
// applications; any one call can be told to fail.
class CallLog {
public:
    // Records one call; throws Error when this call is chosen to fail (it is still
    // recorded, and has no effect).
    void Record(std::string_view operation);

    const std::vector<std::string>& Calls() const { return calls_; }
    std::size_t Count() const { return calls_.size(); }
    std::size_t CountOf(std::string_view operation) const;

    void FailAt(std::size_t position);                           // 1-based position in Calls()
    void FailOn(std::string_view operation, int occurrence = 1); // counted from now
    void FailAlways(std::string_view operation);
    void ClearFailures();
    void Clear();

    // Told each call's position (from 1) as it arrives, before anything else happens.
    std::function<void(std::size_t)> onArrival;

private:
    std::vector<std::string> calls_;
    std::vector<std::size_t> failAt_;
    struct Pending {
        std::string operation;
        int remaining;
    };
    std::vector<Pending> failOn_;
    std::vector<std::string> failAlways_;
};

} // namespace tessaly::sim
