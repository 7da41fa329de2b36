#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// An answer an application may give to a call that succeeds, and that a careful client
// must not trust: nothing (VT_EMPTY), text where a number belongs, NaN, infinity of
// either sign, a null object, an object whose default value is itself, the call's own
// answer by reference (VT_BYREF), which a careful client reads as that answer, or a
// failure whose description is filled in only when asked for (deferred).
enum class OddAnswer { Empty, Text, NaN, Infinity, NoObject, Itself, NegativeInfinity, ByReference, Deferred };

// What the K-th call's result becomes. Each simulated call hands its result through the
// helper of its type, which returns it unchanged unless the call was told to answer
// oddly; then it returns the odd answer as the COM binding converts it (by OLE's
// VariantChangeType rules), or throws Error where the binding would. The call has its
// effect either way: only its result is odd.
class Answer {
public:
    Answer() = default;
    Answer(OddAnswer odd, std::string_view operation) : odd_(odd), operation_(operation) {}

    double Number(double value) const;                  // nothing reads as 0
    std::int32_t WholeNumber(std::int32_t value) const; // nothing reads as 0
    std::wstring Text(std::wstring value) const;        // nothing reads as ""
    // An object: every odd answer fails but the answer by reference. The object that is
    // its own value answers none of the application's members, so the binding's first
    // call on it (its interface query, or the next member) fails: modelled here.
    template <class T>
    std::unique_ptr<T> Object(std::unique_ptr<T> object) const
    {
        if (odd_ && *odd_ != OddAnswer::ByReference)
            Fail(*odd_ == OddAnswer::Itself     ? "the object is none of the application's"
                 : *odd_ == OddAnswer::Deferred ? kDeferredFailure
                                                : "the result is no object");
        return object;
    }
    // An object where nothing or a null object is an answer too ("none").
    template <class T>
    std::unique_ptr<T> ObjectOrNone(std::unique_ptr<T> object) const
    {
        if (odd_ == OddAnswer::Empty || odd_ == OddAnswer::NoObject)
            return nullptr;
        return Object(std::move(object));
    }

private:
    static constexpr const char* kDeferredFailure = "the call failed, its description deferred";
    [[noreturn]] void Fail(const char* why) const;

    std::optional<OddAnswer> odd_;
    std::string operation_;
};

// Every automation call of the simulated cell, in order, shared by both simulated
// applications; any one call can be told to fail, or to answer oddly.
class CallLog {
public:
    // Records one call; throws Error when this call is chosen to fail (it is still
    // recorded, and has no effect). Returns what its result becomes.
    Answer Record(std::string_view operation);

    const std::vector<std::string>& Calls() const { return calls_; }
    std::size_t Count() const { return calls_.size(); }
    std::size_t CountOf(std::string_view operation) const;

    void FailAt(std::size_t position);                           // 1-based position in Calls()
    void FailOn(std::string_view operation, int occurrence = 1); // counted from now
    void FailAlways(std::string_view operation);
    void OddAt(std::size_t position, OddAnswer how); // 1-based position in Calls()
    void ClearFailures();                            // odd answers too
    void Clear();                                    // the writes counted too

    // A value the client wrote into an application (a coordinate, a centre, a radius, a
    // fit point); the ones that are not finite are counted.
    void NoteWrite(double value) noexcept;
    std::size_t NonFiniteWrites() const noexcept { return nonFiniteWrites_; }

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
    std::map<std::size_t, OddAnswer> oddAt_;
    std::size_t nonFiniteWrites_ = 0;
};

} // namespace tessaly::sim
