#include "sim/call_log.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/error.h"

namespace tessaly::sim {

// An object is no value: the binding fails it before any conversion.
double Answer::Number(double value) const
{
    if (!odd_)
        return value;
    switch (*odd_) {
    case OddAnswer::Empty: return 0;
    case OddAnswer::NaN: return std::numeric_limits<double>::quiet_NaN();
    case OddAnswer::Infinity: return std::numeric_limits<double>::infinity();
    case OddAnswer::NegativeInfinity: return -std::numeric_limits<double>::infinity();
    case OddAnswer::ByReference: return value;
    case OddAnswer::Text: Fail("type mismatch");
    case OddAnswer::Deferred: Fail(kDeferredFailure);
    default: Fail("an object where a value belongs");
    }
}

std::int32_t Answer::WholeNumber(std::int32_t value) const
{
    if (!odd_)
        return value;
    switch (*odd_) {
    case OddAnswer::Empty: return 0;
    case OddAnswer::ByReference: return value;
    case OddAnswer::NoObject:
    case OddAnswer::Itself: Fail("an object where a value belongs");
    case OddAnswer::Deferred: Fail(kDeferredFailure);
    default: Fail("type mismatch"); // NaN and infinity are no whole number either
    }
}

std::wstring Answer::Text(std::wstring value) const
{
    if (!odd_)
        return value;
    switch (*odd_) {
    case OddAnswer::Empty: return L"";
    case OddAnswer::Text: return L"odd";
    // Some text; which one is the system's choice.
    case OddAnswer::NaN: return L"NaN";
    case OddAnswer::Infinity: return L"Infinity";
    case OddAnswer::NegativeInfinity: return L"-Infinity";
    case OddAnswer::ByReference: return value;
    case OddAnswer::Deferred: Fail(kDeferredFailure);
    default: Fail("an object where a value belongs");
    }
}

void Answer::Fail(const char* why) const
{
    throw Error("odd answer to " + operation_ + ": " + why);
}

Answer CallLog::Record(std::string_view operation)
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
    if (auto odd = oddAt_.find(calls_.size()); odd != oddAt_.end())
        return Answer(odd->second, operation);
    return {};
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
void CallLog::OddAt(std::size_t position, OddAnswer how)
{
    oddAt_[position] = how;
}

void CallLog::ClearFailures()
{
    failAt_.clear();
    failOn_.clear();
    failAlways_.clear();
    oddAt_.clear();
}

void CallLog::NoteWrite(double value) noexcept
{
    if (!std::isfinite(value))
        ++nonFiniteWrites_;
}

void CallLog::Clear()
{
    calls_.clear();
    nonFiniteWrites_ = 0;
    ClearFailures();
}

} // namespace tessaly::sim
