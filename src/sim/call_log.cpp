#include "sim/call_log.h"

#include <algorithm>

#include "base/error.h"

namespace tessaly::sim {

void CallLog::Record(std::string_view operation)
{
    if (onArrival)
        onArrival(calls_.size() + 1);
    calls_.emplace_back(operation);
    bool fail = std::find(failAt_.begin(), failAt_.end(), calls_.size()) != failAt_.end() ||
                std::find(failAlways_.begin(), failAlways_.end(), operation) != failAlways_.end();
    for (auto& pending : failOn_)
        if (pending.remaining > 0 && pending.operation == operation && --pending.remaining == 0)
            fail = true;
    if (fail)
        throw Error("simulated failure of " + std::string(operation));
}

std::size_t CallLog::CountOf(std::string_view operation) const
{
    return static_cast<std::size_t>(std::count(calls_.begin(), calls_.end(), operation));
}

void CallLog::FailAt(std::size_t position)
{
    failAt_.push_back(position);
}
void CallLog::FailOn(std::string_view operation, int occurrence)
{
    failOn_.push_back({std::string(operation), occurrence});
}
void CallLog::FailAlways(std::string_view operation)
{
    failAlways_.emplace_back(operation);
}

void CallLog::ClearFailures()
{
    failAt_.clear();
    failOn_.clear();
    failAlways_.clear();
}

void CallLog::Clear()
{
    calls_.clear();
    ClearFailures();
}

} // namespace tessaly::sim
