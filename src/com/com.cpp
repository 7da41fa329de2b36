#include "com/com.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace tessaly::com {

Error MakeQueryError(std::wstring_view what, const IID& iid, HRESULT hr)
{
    wchar_t text[40] = L"";
    StringFromGUID2(iid, text, 40);
    return HresultError(L"QueryInterface of " + std::wstring(what) + L" for " + text, hr);
}

Bstr::Bstr(std::wstring_view text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
{
    if (!b_)
        throw HresultError(L"SysAllocStringLen", E_OUTOFMEMORY);
}

Variant Variant::I2(std::int16_t value)
{
    Variant v;
    V_VT(&v.v_) = VT_I2;
    V_I2(&v.v_) = value;
    return v;
}

Variant Variant::I4(std::int32_t value)
{
    Variant v;
    V_VT(&v.v_) = VT_I4;
    V_I4(&v.v_) = value;
    return v;
}

Variant Variant::R8(double value)
{
    Variant v;
    V_VT(&v.v_) = VT_R8;
    V_R8(&v.v_) = value;
    return v;
}

Variant Variant::Bool(bool value)
{
    Variant v;
    V_VT(&v.v_) = VT_BOOL;
    V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE; // true is -1, not 1
    return v;
}

Variant Variant::Text(std::wstring_view text)
{
    Bstr b(text);
    Variant v;
    V_VT(&v.v_) = VT_BSTR;
    V_BSTR(&v.v_) = b.detach();
    return v;
}

Variant Variant::RefR8(double* value)
{
    Variant v;
    V_VT(&v.v_) = VT_R8 | VT_BYREF;
    V_R8REF(&v.v_) = value;
    return v;
}

Variant Variant::RefVariant(VARIANT* value)
{
    Variant v;
    V_VT(&v.v_) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v.v_) = value;
    return v;
}

Variant Variant::RefDoubleArray(SAFEARRAY** array)
{
    Variant v;
    V_VT(&v.v_) = VT_ARRAY | VT_R8 | VT_BYREF;
    V_ARRAYREF(&v.v_) = array;
    return v;
}

Variant Variant::RefDispatch(IDispatch** object)
{
    Variant v;
    V_VT(&v.v_) = VT_DISPATCH | VT_BYREF;
    V_DISPATCHREF(&v.v_) = object;
    return v;
}

DoubleArray::DoubleArray(std::span<const double> values)
    : a_(SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size())))
{
    if (!a_)
        throw HresultError(L"SafeArrayCreateVector", E_OUTOFMEMORY);
    if (values.empty())
        return;
    void* data = nullptr;
    const HRESULT hr = SafeArrayAccessData(a_, &data);
    if (FAILED(hr)) {
        SafeArrayDestroy(std::exchange(a_, nullptr));
        throw HresultError(L"SafeArrayAccessData", hr);
    }
    std::memcpy(data, values.data(), values.size() * sizeof(double));
    SafeArrayUnaccessData(a_);
}

namespace {

// Owns the BSTRs of an EXCEPINFO, which the server allocates and the caller frees.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ExcepInfo() = default;
    ~ExcepInfo()
    {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

// True when `address` lies in a module loaded into this process.
bool InThisProcess(const void* address)
{
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(address), &module) &&
           module;
}

// True for a proxy of an object in another process or apartment: COM's proxies offer
// IClientSecurity, and the object behind them does not answer that query itself.
bool IsProxy(IDispatch* object)
{
    Ptr<IUnknown> security;
    return SUCCEEDED(object->QueryInterface(IID_IClientSecurity, security.put_void())) && security;
}

// A server's text whole, as SysStringLen gives it: an embedded NUL shows as U+2400.
std::wstring Whole(BSTR text)
{
    std::wstring whole = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    for (wchar_t& c : whole)
        if (c == L'\0')
            c = L'\u2400';
    return whole;
}

std::wstring Describe(HRESULT& hr, ExcepInfo& excep, IDispatch* object, UINT argError, std::size_t argCount)
{
    std::wstring detail;
    if (hr == DISP_E_EXCEPTION) {
        EXCEPINFO& e = excep.info;
        // A server may leave its texts to a deferred fill-in. The platform's stub calls it
        // on the server's side, but some marshalers (Wine's) pass the pointer across as it
        // is: an address in the other process, which must never be called here, even where
        // it happens to fall inside a module of this one (both exes loaded at the same
        // base). Only the fill-in of an object of this process, in code of this process,
        // runs; otherwise the texts stay as they came.
        if (e.pfnDeferredFillIn && !IsProxy(object) &&
            InThisProcess(reinterpret_cast<const void*>(e.pfnDeferredFillIn)))
            e.pfnDeferredFillIn(&e);
        e.pfnDeferredFillIn = nullptr;
        // Only a failure code stands for the call's; a server's own error number (wCode)
        // has no HRESULT, so the call stays DISP_E_EXCEPTION and the text names it.
        if (FAILED(e.scode))
            hr = e.scode;
        detail = Whole(e.bstrSource);
        if (const std::wstring description = Whole(e.bstrDescription); !description.empty()) {
            detail += (detail.empty() ? L"" : L": ");
            detail += description;
        }
        if (detail.empty())
            detail = L"the server raised an exception without a description";
        if (e.wCode != 0)
            detail += L" (error " + std::to_wstring(e.wCode) + L")";
    } else if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argError < argCount) {
        // puArgErr counts from the end (DISPPARAMS order); report the caller's position.
        detail = L"argument " + std::to_wstring(argCount - argError) + L" rejected";
    }
    return detail;
}

// A result answered by reference, read as the value it refers to. Who owns the storage it
// refers to depends on the way the answer came. From an object of this apartment it is
// the server's own, which it keeps alive: it is only copied. Through a proxy it is the
// marshaler's copy in this process, allocated as the answer was unmarshaled and handed to
// the caller with the result (the server's side freed its own after marshaling): it is
// freed here, by the marshaler's free routine, once copied.
Variant Dereferenced(Variant& result, IDispatch* object, std::wstring_view name)
{
    Variant value;
    const HRESULT hr = VariantCopyInd(value.get(), result.get());
    if (IsProxy(object)) {
        ULONG flags = MAKELONG(MSHCTX_LOCAL, NDR_LOCAL_DATA_REPRESENTATION);
        VARIANT_UserFree(&flags, result.get());
    }
    VariantInit(result.get());
    Check(hr, name);
    if (value.type() & VT_BYREF)
        throw HresultError(name, DISP_E_TYPEMISMATCH, L"the result refers to a reference");
    return value;
}

Variant InvokeId(IDispatch* object, DISPID id, std::wstring_view name, Call call, std::span<Variant* const> args)
{
    if (!object)
        throw HresultError(name, E_POINTER, L"no object");
    // DISPPARAMS wants the last argument first. The copies are shallow: the Variants
    // keep ownership and outlive the call.
    std::vector<VARIANTARG> reversed(args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        reversed[args.size() - 1 - i] = *args[i]->get();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (call == Call::Put) {
        // A property put must name its value argument, or servers answer
        // DISP_E_PARAMNOTFOUND.
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    ExcepInfo excep;
    UINT argError = static_cast<UINT>(-1);
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(call), &params,
                                call == Call::Put ? nullptr : result.get(), &excep.info, &argError);
    if (FAILED(hr)) {
        const std::wstring detail = Describe(hr, excep, object, argError, args.size());
        throw HresultError(name, hr, detail);
    }
    if (result.type() & VT_BYREF)
        return Dereferenced(result, object, name);
    return result;
}

} // namespace

Variant InvokeArgs(IDispatch* object, Member member, Call call, std::span<Variant* const> args)
{
    return InvokeId(object, member.id, member.name, call, args);
}

Variant InvokeArgs(IDispatch* object, std::wstring_view name, Call call, std::span<Variant* const> args)
{
    if (!object)
        throw HresultError(name, E_POINTER, L"no object");
    std::wstring copy(name); // GetIDsOfNames takes a non-const, null-terminated name
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr) || id == DISPID_UNKNOWN)
        throw HresultError(name, FAILED(hr) ? hr : DISP_E_UNKNOWNNAME, L"name not known to the object");
    return InvokeId(object, id, name, call, args);
}

namespace {

// VariantChangeType would fetch an object's default value, a call into its server that
// may answer an object again; an object, or a reference to anything, fails here first.
Variant Converted(const Variant& value, VARTYPE type, std::wstring_view what)
{
    const VARTYPE held = value.type();
    if (held == VT_DISPATCH || held == VT_UNKNOWN)
        throw HresultError(what, DISP_E_TYPEMISMATCH, L"an object where a value belongs");
    if (held & VT_BYREF)
        throw HresultError(what, DISP_E_TYPEMISMATCH, L"a reference where a value belongs");
    Variant out;
    Check(VariantChangeType(out.get(), const_cast<VARIANT*>(value.get()), VARIANT_NOVALUEPROP, type), what);
    return out;
}

// A text read as a number, strictly.
double Parsed(const Variant& value, std::wstring_view what, const ReadNumber& readNumber)
{
    const BSTR b = V_BSTR(value.get());
    const std::wstring_view text = b ? std::wstring_view(b, SysStringLen(b)) : std::wstring_view();
    try {
        return readNumber(text);
    } catch (const Error&) {
        throw HresultError(what, DISP_E_TYPEMISMATCH, L"the text \"" + Whole(b) + L"\" is no number");
    }
}

} // namespace

std::wstring ToText(const Variant& value, std::wstring_view what)
{
    Variant text = Converted(value, VT_BSTR, what);
    const BSTR b = V_BSTR(text.get());
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

double ToDouble(const Variant& value, std::wstring_view what, const ReadNumber& readNumber)
{
    if (value.type() == VT_BSTR)
        return Parsed(value, what, readNumber);
    return V_R8(Converted(value, VT_R8, what).get());
}

std::int32_t ToInt32(const Variant& value, std::wstring_view what, const ReadNumber& readNumber)
{
    if (value.type() == VT_BSTR)
        return V_I4(Converted(Variant::R8(Parsed(value, what, readNumber)), VT_I4, what).get());
    return V_I4(Converted(value, VT_I4, what).get());
}

Ptr<IDispatch> ToObjectOrNone(const Variant& value, std::wstring_view what)
{
    const VARIANT* v = value.get();
    switch (V_VT(v)) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_DISPATCH: return Ptr<IDispatch>::Copy(V_DISPATCH(v));
    case VT_UNKNOWN:
        if (!V_UNKNOWN(v))
            return {};
        return Query<IDispatch>(V_UNKNOWN(v), IID_IDispatch, what);
    default: throw HresultError(what, DISP_E_TYPEMISMATCH, L"the result is not an object");
    }
}

Ptr<IDispatch> ToObject(const Variant& value, std::wstring_view what)
{
    Ptr<IDispatch> object = ToObjectOrNone(value, what);
    if (!object)
        throw HresultError(what, E_POINTER, L"the result is no object");
    return object;
}

CLSID ClassIdOf(const wchar_t* progId)
{
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr))
        throw HresultError(std::wstring(L"CLSIDFromProgID(\"") + progId + L"\")", hr, L"class not registered");
    return clsid;
}

} // namespace tessaly::com
