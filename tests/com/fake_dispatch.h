#pragma once

// In-process fake automation servers: an IDispatch that records every call (DISPID, flags,
// argument types and values in the caller's order), answers the names and IIDs it is
// given, counts its references, and a class factory / ProgID registration around it.

#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

struct FakeCall {
    DISPID id = 0;
    WORD flags = 0;
    std::vector<VARTYPE> types;       // caller's order
    std::vector<std::wstring> values; // caller's order, see Show()
    std::vector<DISPID> named;
};

// The flags of a property read as a client sends them.
constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

inline bool SameIid(const IID& a, const IID& b)
{
    return IsEqualGUID(a, b) != FALSE;
}

inline std::wstring ShowDouble(double d)
{
    wchar_t text[32];
    swprintf(text, 32, L"%g", d);
    return text;
}

inline std::wstring ShowArray(SAFEARRAY* a)
{
    if (!a)
        return L"[null]";
    std::wstring out = L"[";
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(a, 1, &lower);
    SafeArrayGetUBound(a, 1, &upper);
    out += std::to_wstring(lower) + L":";
    for (LONG i = lower; i <= upper; ++i) {
        double d = 0;
        SafeArrayGetElement(a, &i, &d);
        out += (i == lower ? L"" : L",") + ShowDouble(d);
    }
    return out + L"]";
}

// A readable form of an argument: "1", "2.5", "'text'", "true", "*2.5" (by reference),
// "[0:1,2,3]" (array with its lower bound), "obj" / "*obj" (object).
inline std::wstring Show(const VARIANT& v)
{
    switch (V_VT(&v)) {
    case VT_I2: return std::to_wstring(V_I2(&v));
    case VT_I4: return std::to_wstring(V_I4(&v));
    case VT_R8: return ShowDouble(V_R8(&v));
    case VT_BOOL: return V_BOOL(&v) == VARIANT_TRUE ? L"true" : (V_BOOL(&v) ? L"bad-bool" : L"false");
    case VT_BSTR: return V_BSTR(&v) ? L"'" + std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) + L"'" : L"null";
    case VT_DISPATCH: return L"obj";
    case VT_R8 | VT_BYREF: return L"*" + ShowDouble(*V_R8REF(&v));
    case VT_VARIANT | VT_BYREF: return L"*" + Show(*V_VARIANTREF(&v));
    case VT_ARRAY | VT_R8 | VT_BYREF: return L"*" + ShowArray(*V_ARRAYREF(&v));
    case VT_DISPATCH | VT_BYREF: return L"*obj";
    default: return L"?";
    }
}

class FakeObject : public IDispatch {
public:
    using Handler = std::function<HRESULT(const DISPPARAMS&, VARIANT*, EXCEPINFO*)>;

    // The extra IIDs this object answers, beyond IUnknown and IDispatch.
    explicit FakeObject(std::vector<IID> iids = {}) : iids_(std::move(iids)) {}
    virtual ~FakeObject() = default;

    // A member known by name and/or DISPID; `handler` fills the result.
    void On(DISPID id, Handler handler) { handlers_[id] = std::move(handler); }
    void On(const std::wstring& name, DISPID id, Handler handler)
    {
        names_[name] = id;
        On(id, std::move(handler));
    }

    long refs = 1;
    int invokesOfUnknownMembers = 0;
    std::vector<FakeCall> calls;
    std::vector<std::wstring> namesAsked;
    std::vector<IID> iidsAsked;
    IDispatch* lastByRefObject = nullptr;
    // When set, every object passed by reference is replaced by this one, as a server
    // or a marshaler may do with an [in, out] argument: the old one released, the new
    // one handed back with a reference the caller owns.
    IDispatch* replaceByRefObjectsWith = nullptr;
    // When set, a name not known is answered S_OK with DISPID_UNKNOWN, as some servers do.
    bool unknownNamesSucceed = false;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        iidsAsked.push_back(iid);
        *out = nullptr;
        bool known = SameIid(iid, IID_IUnknown) || SameIid(iid, IID_IDispatch);
        for (const IID& mine : iids_)
            known = known || SameIid(iid, mine);
        if (!known)
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    // Never deletes: the test owns the object and checks that it is back at 1.
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            namesAsked.push_back(names[i]);
            auto it = names_.find(names[i]);
            ids[i] = it == names_.end() ? DISPID_UNKNOWN : it->second;
            hr = it == names_.end() && !unknownNamesSucceed ? DISP_E_UNKNOWNNAME : hr;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override
    {
        FakeCall call;
        call.id = id;
        call.flags = flags;
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& arg = params->rgvarg[i];
            call.types.push_back(V_VT(&arg));
            call.values.push_back(Show(arg));
            if (V_VT(&arg) == (VT_DISPATCH | VT_BYREF)) {
                IDispatch*& object = *V_DISPATCHREF(&arg);
                lastByRefObject = object;
                if (replaceByRefObjectsWith) {
                    if (object)
                        object->Release();
                    object = replaceByRefObjectsWith;
                    object->AddRef();
                }
            }
        }
        call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
        calls.push_back(call);
        if (auto rejected = rejects_.find(id); rejected != rejects_.end()) {
            if (argError)
                *argError = rejected->second.second;
            return rejected->second.first;
        }
        auto it = handlers_.find(id);
        if (it == handlers_.end()) {
            ++invokesOfUnknownMembers;
            return DISP_E_MEMBERNOTFOUND;
        }
        return it->second(*params, result, excep);
    }

    // Member `id` refuses an argument: answers `hr` and sets puArgErr to `argError`,
    // which counts in DISPPARAMS order (0 is the last argument).
    void Rejects(DISPID id, HRESULT hr, UINT argError) { rejects_[id] = {hr, argError}; }

private:
    std::vector<IID> iids_;
    std::map<std::wstring, DISPID> names_;
    std::map<DISPID, Handler> handlers_;
    std::map<DISPID, std::pair<HRESULT, UINT>> rejects_;
};

// Handlers.
// The answer `value` by reference: the storage stays the test's.
template <class T>
FakeObject::Handler ReturnsByReference(VARTYPE type, T* value)
{
    return [type, value](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
        V_VT(result) = static_cast<VARTYPE>(type | VT_BYREF);
        V_BYREF(result) = value;
        return S_OK;
    };
}
inline FakeObject::Handler Returns(FakeObject& object)
{
    return [&object](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
        if (result) {
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = &object;
            object.AddRef();
        }
        return S_OK;
    };
}
inline FakeObject::Handler ReturnsText(const std::wstring& text)
{
    return [text](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    };
}
inline FakeObject::Handler ReturnsR8(double value)
{
    return [value](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_R8;
        V_R8(result) = value;
        return S_OK;
    };
}
inline FakeObject::Handler ReturnsI4(LONG value)
{
    return [value](const DISPPARAMS&, VARIANT* result, EXCEPINFO*) {
        V_VT(result) = VT_I4;
        V_I4(result) = value;
        return S_OK;
    };
}
inline FakeObject::Handler ReturnsNothing()
{
    return [](const DISPPARAMS&, VARIANT*, EXCEPINFO*) { return S_OK; };
}
// A server-side failure with its description, as a real server raises it.
inline FakeObject::Handler Raises(const std::wstring& description)
{
    return [description](const DISPPARAMS&, VARIANT*, EXCEPINFO* excep) {
        if (excep) {
            *excep = EXCEPINFO{};
            excep->scode = E_FAIL;
            excep->bstrDescription = SysAllocString(description.c_str());
        }
        return DISP_E_EXCEPTION;
    };
}

// Hands out one fake object for every CreateInstance.
class FakeFactory : public IClassFactory {
public:
    explicit FakeFactory(FakeObject& object) : object_(object) {}
    long refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (!SameIid(iid, IID_IUnknown) && !SameIid(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        return outer ? CLASS_E_NOAGGREGATION : object_.QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    FakeObject& object_;
};

// ProgID -> CLSID under HKEY_CLASSES_ROOT, removed again on destruction. (Wine 8's
// CLSIDFromProgID does not see keys under HKEY_CURRENT_USER\Software\Classes.)
class ProgIdKey {
public:
    ProgIdKey(const std::wstring& progId, const CLSID& clsid) : path_(progId)
    {
        wchar_t text[40];
        StringFromGUID2(clsid, text, 40);
        RegSetKeyValueW(HKEY_CLASSES_ROOT, (path_ + L"\\CLSID").c_str(), nullptr, REG_SZ, text,
                        static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    ProgIdKey(const ProgIdKey&) = delete;
    ProgIdKey& operator=(const ProgIdKey&) = delete;
    ~ProgIdKey() { RegDeleteTreeW(HKEY_CLASSES_ROOT, path_.c_str()); }

private:
    std::wstring path_;
};

} // namespace tessaly::test
