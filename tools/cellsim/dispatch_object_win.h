#pragma once

// Server side of automation for the simulated cell: one IDispatch object per object of
// the simulated applications. Members are found by name (case-insensitive, as automation
// clients expect) or called by DISPID; a member that throws Error answers
// DISP_E_EXCEPTION with the diagnostic as its description.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "com/com.h"

namespace tessaly::cell {

struct MemberName {
    const wchar_t* name;
    DISPID id;
};

// The arguments of one call in the caller's order, converted by the automation rules.
// By-reference arguments are read through their reference.
class Args {
public:
    Args(const DISPPARAMS& params, bool put) : params_(params), put_(put) {}

    std::size_t Count() const noexcept { return params_.cArgs; }
    bool IsPut() const noexcept { return put_; }
    void Expect(std::size_t count) const;

    const VARIANT& At(std::size_t i) const;
    std::int32_t Int(std::size_t i) const;
    std::int16_t Short(std::size_t i) const;
    double Double(std::size_t i) const;
    bool Bool(std::size_t i) const;
    std::wstring Text(std::size_t i) const;
    std::vector<double> Doubles(std::size_t i) const; // a SAFEARRAY of doubles
    IDispatch* Object(std::size_t i) const;           // borrowed
    bool IsVariantRef(std::size_t i) const;

private:
    com::Variant Converted(std::size_t i, VARTYPE type) const;

    const DISPPARAMS& params_;
    bool put_;
};

// An answer a client may not expect, given in place of a call's own:
//   Null      VT_DISPATCH with a null pointer
//   Text      VT_BSTR "odd"
//   NaN       VT_R8 NaN
//   Infinity  VT_R8 +infinity
//   Empty     VT_EMPTY
//   Deferred  DISP_E_EXCEPTION, scode 0 and no texts: only the EXCEPINFO's deferred
//             fill-in, a function of this process, would give them
//   Itself    an object whose default value (DISPID_VALUE) is the object itself; it has
//             no other member and no typed interface
//   NegativeInfinity  VT_R8 -infinity
//   ByReference  the call's own answer by reference (VT_BYREF | its type)
enum class OddAnswer { Null, Text, NaN, Infinity, Empty, Deferred, Itself, NegativeInfinity, ByReference };

// The answer named "null", "text", "nan", "inf", "empty", "deferred", "self", "-inf" or
// "byref".
std::optional<OddAnswer> OddAnswerNamed(std::wstring_view name);

class DispatchObject : public IDispatch {
public:
    // `typed` is the interface this object also answers to (nullptr: IDispatch only).
    DispatchObject(const IID* typed, std::span<const MemberName> names);
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;
    virtual ~DispatchObject();

    // The object behind a pointer the cell handed out, or nullptr for a foreign one.
    static DispatchObject* From(IUnknown* unknown);
    // Objects alive now.
    static long Alive();
    // "round trips: T (names N, invokes I, queries Q, releases R)": what clients in other
    // processes have cost so far, the objects that are their own value included: one round
    // trip each. Name lookups and invokes are seen here; a query for a typed interface
    // comes only from a client; and an object dies when COM passes on the release of a
    // client's last reference. Queries for IUnknown
    // and IDispatch are left out: COM makes those itself when it hands an object out.
    static std::wstring RoundTrips();
    // Asked after every Invoke has been carried out; an answer it returns replaces the
    // call's own, when the call succeeded.
    static void SetOddAnswers(std::function<std::optional<OddAnswer>()> choose);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override;

protected:
    // Runs member `id`; fills `result` for a read. Throws Error when the call fails.
    virtual void Call(DISPID id, const Args& args, VARIANT& result) = 0;

    static void Return(VARIANT& result, double value);
    static void Return(VARIANT& result, std::int32_t value);
    static void Return(VARIANT& result, const std::wstring& text);
    // Adopts the new object's reference; nullptr returns "Nothing".
    static void Return(VARIANT& result, DispatchObject* object);

private:
    static HRESULT AnswerOddly(OddAnswer answer, VARIANT* result, EXCEPINFO* excep);

    const IID* typed_;
    std::span<const MemberName> names_;
    long refs_ = 1;
};

// A dispatch object over one simulation object, which it owns.
template <class T>
class Adapter : public DispatchObject {
public:
    Adapter(const IID* typed, std::span<const MemberName> names, std::unique_ptr<T> object)
        : DispatchObject(typed, names), object_(std::move(object))
    {}

    T& object() { return *object_; }

private:
    std::unique_ptr<T> object_;
};

} // namespace tessaly::cell
