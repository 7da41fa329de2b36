#pragma once

// Small RAII wrappers for COM automation and one throwing error policy: every failed
// HRESULT becomes a tessaly::Error that carries it and names the member, the HRESULT and
// the server's text.

#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "win32/failure.h"

namespace tessaly::com {

// "QueryInterface of <what> for {iid} failed (HRESULT ...)".
Error MakeQueryError(std::wstring_view what, const IID& iid, HRESULT hr);

inline void Check(HRESULT hr, std::wstring_view what)
{
    if (FAILED(hr))
        throw HresultError(what, hr);
}

// Owning interface pointer. A raw pointer comes in only by name: Adopt takes over the
// caller's reference, Copy adds one of its own (what ComPtr, CComPtr and wil's com_ptr
// do with a raw pointer).
template <class T>
class Ptr {
public:
    Ptr() = default;
    Ptr(const Ptr& other) noexcept : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    Ptr(Ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ptr& operator=(Ptr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ptr() { reset(); }

    // Takes over a reference the caller owns (a new object, a detached pointer).
    static Ptr Adopt(T* owned) noexcept
    {
        Ptr result;
        result.p_ = owned;
        return result;
    }
    // Takes an extra reference on a borrowed pointer.
    static Ptr Copy(T* borrowed) noexcept
    {
        if (borrowed)
            borrowed->AddRef();
        return Adopt(borrowed);
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // For out parameters: releases what is held first.
    T** put() noexcept
    {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    // For [in, out] parameters: the callee may release what is held and store another
    // reference, which this pointer then owns.
    T** inout() noexcept { return &p_; }
    T* detach() noexcept { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

// IUnknown of an object that outlives every reference to it (a static object, or a member
// of an owner that revokes it first): nothing is counted, and QueryInterface offers
// IUnknown and I only.
template <class I>
class Uncounted : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(I)) {
            *object = static_cast<I*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// Throwing QueryInterface for a required interface. The result is typed T; for the
// automation interfaces of the two applications T is IDispatch, since they are all
// dispatch interfaces.
template <class T>
Ptr<T> Query(IUnknown* from, const IID& iid, std::wstring_view what)
{
    if (!from)
        throw HresultError(what, E_POINTER, L"no object to query");
    Ptr<T> result;
    const HRESULT hr = from->QueryInterface(iid, result.put_void());
    if (FAILED(hr) || !result)
        throw MakeQueryError(what, iid, FAILED(hr) ? hr : E_NOINTERFACE);
    return result;
}

// Owning BSTR. An empty text is still a real (zero-length) BSTR, not NULL.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        std::swap(b_, other.b_);
        return *this;
    }
    ~Bstr() { SysFreeString(b_); }

    BSTR get() const noexcept { return b_; }
    BSTR detach() noexcept { return std::exchange(b_, nullptr); }

private:
    BSTR b_ = nullptr;
};

// Owning VARIANT (VariantClear on destruction). A by-reference variant owns nothing:
// VariantClear leaves the referenced storage alone, so that storage must outlive the call.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Variant& operator=(Variant&& other) noexcept
    {
        std::swap(v_, other.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant I2(std::int16_t value);
    static Variant I4(std::int32_t value);
    static Variant R8(double value);
    static Variant Bool(bool value);
    static Variant Text(std::wstring_view text);
    static Variant RefR8(double* value);
    static Variant RefVariant(VARIANT* value);
    static Variant RefDoubleArray(SAFEARRAY** array);
    static Variant RefDispatch(IDispatch** object);

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARTYPE type() const noexcept { return V_VT(&v_); }

private:
    VARIANT v_;
};

// Owning one-dimensional SAFEARRAY of doubles, lower bound 0.
class DoubleArray {
public:
    explicit DoubleArray(std::span<const double> values);
    DoubleArray(const DoubleArray&) = delete;
    DoubleArray& operator=(const DoubleArray&) = delete;
    DoubleArray(DoubleArray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
    DoubleArray& operator=(DoubleArray&& other) noexcept
    {
        std::swap(a_, other.a_);
        return *this;
    }
    ~DoubleArray()
    {
        if (a_)
            SafeArrayDestroy(a_);
    }

    SAFEARRAY* get() const noexcept { return a_; }
    // The address passed in a VT_ARRAY | VT_BYREF argument.
    SAFEARRAY** address() noexcept { return &a_; }

private:
    SAFEARRAY* a_ = nullptr;
};

// Initialises COM on this thread for the object's lifetime.
class Apartment {
public:
    explicit Apartment(DWORD flags = COINIT_APARTMENTTHREADED) noexcept : hr_(CoInitializeEx(nullptr, flags)) {}
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    // Only a successful init (S_OK or S_FALSE) is balanced by CoUninitialize; after
    // RPC_E_CHANGED_MODE the thread's apartment belongs to someone else.
    ~Apartment()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    HRESULT result() const noexcept { return hr_; }
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

// Invoke flags as the classic automation clients use them: a read is
// "method or property get".
enum class Call : WORD {
    Method = DISPATCH_METHOD,
    Get = DISPATCH_METHOD | DISPATCH_PROPERTYGET,
    Put = DISPATCH_PROPERTYPUT,
};

// A member called by fixed DISPID; the name is for diagnostics only.
struct Member {
    DISPID id;
    const wchar_t* name;
};

// Arguments in the caller's order (they are reversed into DISPPARAMS here). A result
// answered by reference comes back as the value it refers to.
Variant InvokeArgs(IDispatch* object, Member member, Call call, std::span<Variant* const> args);
// By name: GetIDsOfNames at every call, then Invoke. The other application's object model
// fixes these members by name, not by DISPID, so a DISPID looked up on one object is not
// assumed to hold for another.
Variant InvokeArgs(IDispatch* object, std::wstring_view name, Call call, std::span<Variant* const> args);

template <class... Args>
Variant Invoke(IDispatch* object, Member member, Call call, Args&&... args)
{
    std::array<Variant*, sizeof...(Args)> list{&args...};
    return InvokeArgs(object, member, call, list);
}

template <class... Args>
Variant Invoke(IDispatch* object, std::wstring_view name, Call call, Args&&... args)
{
    std::array<Variant*, sizeof...(Args)> list{&args...};
    return InvokeArgs(object, name, call, list);
}

// Reads a text answered where a number belongs, by the caller's rules; throws an Error
// for a text that is no number.
using ReadNumber = std::function<double(std::wstring_view text)>;

// Result conversions. `what` names the member for the diagnostic. An object is no value:
// VT_DISPATCH or VT_UNKNOWN fails at once, and no default value is fetched. A text is
// read as a number by `readNumber`; every other type converts by the OLE Automation
// rules (VariantChangeType), so a fractional or negative number becomes a count as it
// does there. A by-reference result never gets here: Invoke reads it through its
// reference.
std::wstring ToText(const Variant& value, std::wstring_view what);
double ToDouble(const Variant& value, std::wstring_view what, const ReadNumber& readNumber);
std::int32_t ToInt32(const Variant& value, std::wstring_view what, const ReadNumber& readNumber);
// A non-null object (VT_DISPATCH, or VT_UNKNOWN that offers IDispatch).
Ptr<IDispatch> ToObject(const Variant& value, std::wstring_view what);
// As ToObject, but VT_EMPTY, VT_NULL and a null object give an empty pointer.
Ptr<IDispatch> ToObjectOrNone(const Variant& value, std::wstring_view what);

// CLSIDFromProgID, throwing.
CLSID ClassIdOf(const wchar_t* progId);

} // namespace tessaly::com
