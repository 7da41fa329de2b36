#pragma once

// Server side of automation for the simulated cell. Every object implements one
// interface of the two applications' type libraries (idl/, compiled by widl into the
// declarations below and into type libraries built into this program), and its
// IDispatch is the system's dispatcher over that interface's type information, as an
// automation server's is: name lookup, invoke kinds, argument counts, optional
// arguments, coercion and their error codes are the system's. In front of it one thin
// layer adds what a real server lacks: the round-trip counters and the odd answers.
//
// A member's own failure is a tessaly::Error: Guarded turns it into a failing HRESULT
// with an error object, which the dispatcher hands to the client as DISP_E_EXCEPTION
// with that text. No C++ exception may unwind through the system's dispatcher.

#include <windows.h>

#include <oaidl.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cad_win.h"
#include "measuring_win.h"
#include "sim/call_log.h"

namespace tessaly::cell {

// The simulations' odd answers (sim::OddAnswer), as the cell gives them over COM in
// place of a call's own:
//   NoObject  VT_DISPATCH with a null pointer
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
using sim::OddAnswer;

// The answer named "null", "text", "nan", "inf", "empty", "deferred", "self", "-inf" or
// "byref".
std::optional<OddAnswer> OddAnswerNamed(std::wstring_view name);

// The type libraries built into this program: one per application and bitness.
struct TypeLibrary {
    const GUID* id;
    WORD major;
    WORD minor;
    int resource32; // resource ids of the type library for 32-bit and 64-bit Windows
    int resource64;
};
extern const TypeLibrary kTypeLibraries[2];

// Loads this bitness's type libraries (once; throws Error).
void LoadTypeLibraries();

// The dual interfaces `library` describes: each one's index in it, its IID and its type
// information (the dispatch side).
void ForEachDual(ITypeLib* library, const std::function<void(UINT index, const IID& iid, ITypeInfo* info)>& each);

// The path of this program (throws Error).
std::wstring ProgramPath();

// Runs a member's body: S_OK, or the failure as an HRESULT with an error object that
// carries its text.
HRESULT Guarded(const std::function<void()>& body) noexcept;

// A plain COM object of interface I (and IUnknown), deleted with its last reference.
template <class I>
class Counted : public I {
public:
    Counted() = default;
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    virtual ~Counted() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, __uuidof(I)))
            return E_NOINTERFACE;
        *out = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    long refs_ = 1;
};

struct Described;

// What every object of the cell shares, whatever its interface.
class ServedObject {
public:
    ServedObject(const ServedObject&) = delete;
    ServedObject& operator=(const ServedObject&) = delete;

    // The object behind a pointer the cell handed out, or nullptr for a foreign one.
    static ServedObject* From(IUnknown* unknown);
    // Objects alive now.
    static long Alive();
    // "round trips: T (names N, invokes I, queries Q, releases R)": what clients in other
    // processes have cost so far, the objects that are their own value included: one round
    // trip each. Name lookups and invokes are seen here; a query for a typed interface
    // comes only from a client; and an object dies when COM passes on the release of a
    // client's last reference. Queries for IUnknown and IDispatch are left out: COM makes
    // those itself when it hands an object out.
    static std::wstring RoundTrips();
    // Asked after every Invoke has been carried out; an answer it returns replaces the
    // call's own, when the call succeeded.
    static void SetOddAnswers(std::function<std::optional<OddAnswer>()> choose);

protected:
    // `self` is the object as its interface `iid` (the vtable the dispatcher calls).
    ServedObject(IDispatch* self, const IID& iid);
    virtual ~ServedObject();

    HRESULT Query(REFIID iid, void** out);
    ULONG AddRefCount();
    ULONG ReleaseCount();
    HRESULT TypeInfoCount(UINT* count);
    HRESULT TypeInfo(UINT index, ITypeInfo** info);
    HRESULT IDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
    HRESULT Dispatch(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argError);

private:
    IDispatch* self_;
    const Described& type_;
    long refs_ = 1;
    // The typed interfaces queried so far, by their place in the chain: a client asks once
    // (its proxy keeps the answer), however often COM's stub asks the object itself.
    unsigned queried_ = 0;
};

// An object of the cell answering to `Interface` (and the interfaces it derives from).
template <class Interface>
class Served : public Interface, public ServedObject {
public:
    Served() : ServedObject(static_cast<Interface*>(this), __uuidof(Interface)) {}

    // This object as its interface, with a reference of the caller's own.
    Interface* Out()
    {
        this->AddRef();
        return this;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return Query(iid, out); }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefCount(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseCount(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return TypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override { return TypeInfo(index, info); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return IDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override
    {
        return Dispatch(id, flags, params, result, excep, argError);
    }
};

// What an automation client sends as a point or a list of coordinates: a VARIANT holding
// a one-dimensional array of doubles with lower bound 0, by value or by reference.
// `what` names the argument in the failure.
std::vector<double> DoublesOf(const VARIANT& value, const char* what);

} // namespace tessaly::cell
