#include <windows.h>

#include <oaidl.h>

// The interfaces' and libraries' ids are defined here, once.
#include <initguid.h>

#include "cad_win.h"
#include "measuring_win.h"

#include "dispatch_object_win.h"

#include <cstring>
#include <limits>
#include <map>
#include <memory>

#include "base/convert.h"
#include "base/error.h"
#include "com/com.h"

namespace tessaly::cell {

// Resource ids: what the resource script of the cell builds in.
const TypeLibrary kTypeLibraries[2] = {
    {&LIBID_AutoCAD, 1, 1, 1, 2},
    {&LIBID_PCDLRN, 1, 0, 3, 4},
};

// One interface of the type libraries: the dispatch side (what GetTypeInfo answers and
// names are looked up in), the interface side (what invokes the object's vtable; invoking
// through the dispatch side of a dual interface would call the object's own Invoke), and
// the interface with every one it derives from, IDispatch left out.
struct Described {
    com::Ptr<ITypeInfo> dispatch;
    com::Ptr<ITypeInfo> vtable;
    std::vector<IID> chain;
};

namespace {

// Answered by every object of the cell, so that an object passed back as an argument
// can be told from a foreign one. Never leaves this process.
constexpr IID kCellObject = {0x6E0C1A52, 0x3B7D, 0x4F0E, {0x9A, 0x61, 0x2C, 0x44, 0x90, 0x1D, 0x7B, 0x35}};

long g_alive = 0;
long g_nameLookups = 0;
long g_invokes = 0;
long g_typedQueries = 0;
long g_released = 0;
std::function<std::optional<OddAnswer>()> g_chooseOdd;

struct IidLess {
    bool operator()(const IID& a, const IID& b) const { return std::memcmp(&a, &b, sizeof(IID)) < 0; }
};
std::map<IID, Described, IidLess>& Interfaces()
{
    static std::map<IID, Described, IidLess> interfaces;
    return interfaces;
}

constexpr struct {
    const wchar_t* name;
    OddAnswer answer;
} kOddAnswers[] = {
    {L"null", OddAnswer::NoObject},     {L"text", OddAnswer::Text},
    {L"nan", OddAnswer::NaN},           {L"inf", OddAnswer::Infinity},
    {L"empty", OddAnswer::Empty},       {L"deferred", OddAnswer::Deferred},
    {L"self", OddAnswer::Itself},       {L"-inf", OddAnswer::NegativeInfinity},
    {L"byref", OddAnswer::ByReference},
};

GUID GuidOf(ITypeInfo* info)
{
    TYPEATTR* attr = nullptr;
    com::Check(info->GetTypeAttr(&attr), L"ITypeInfo::GetTypeAttr");
    const GUID guid = attr->guid;
    info->ReleaseTypeAttr(attr);
    return guid;
}

// The interface `info` derives from, or nullptr.
com::Ptr<ITypeInfo> BaseOf(ITypeInfo* info)
{
    HREFTYPE base = 0;
    com::Ptr<ITypeInfo> baseInfo;
    if (FAILED(info->GetRefTypeOfImplType(0, &base)) || FAILED(info->GetRefTypeInfo(base, baseInfo.put())))
        return {};
    return baseInfo;
}

void Describe(ITypeLib* library)
{
    ForEachDual(library, [](UINT, const IID& iid, ITypeInfo* info) {
        Described d;
        HREFTYPE vtable = 0;
        com::Check(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), L"the interface side of a dual");
        com::Check(info->GetRefTypeInfo(vtable, d.vtable.put()), L"the interface side of a dual");
        for (com::Ptr<ITypeInfo> at = com::Ptr<ITypeInfo>::Copy(d.vtable.get()); at; at = BaseOf(at.get())) {
            const GUID guid = GuidOf(at.get());
            if (IsEqualIID(guid, IID_IDispatch))
                break;
            d.chain.push_back(guid);
        }
        d.dispatch = com::Ptr<ITypeInfo>::Copy(info);
        Interfaces()[iid] = std::move(d);
    });
}

const Described& DescribedOf(const IID& iid)
{
    const auto found = Interfaces().find(iid);
    if (found == Interfaces().end())
        throw Error("an interface the type libraries do not describe");
    return found->second;
}

// An object whose default value is itself, and nothing else: a client that fetches the
// default value of what it reads gets this object again, every time. The odd answers'
// own object, not one of the applications': it has no type information.
class Itself final : public Counted<IDispatch> {
public:
    Itself() { ++g_alive; }
    ~Itself() override
    {
        --g_alive;
        ++g_released;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        ++g_nameLookups;
        if (!names || !ids)
            return E_POINTER;
        for (UINT i = 0; i < count; ++i)
            ids[i] = i == 0 && names[0] && _wcsicmp(names[0], L"Value") == 0 ? DISPID_VALUE : DISPID_UNKNOWN;
        return count == 1 && ids[0] == DISPID_VALUE ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;
};

// The answer in `result` made an answer by reference. The stub that marshals it frees
// what it refers to (as VARIANT_UserFree does: the value's own resources, then the
// storage with CoTaskMemFree), so the storage is allocated as that frees it and handed
// over with the answer; a result with no value (a method's) stays as it is.
void AnswerByReference(VARIANT& result)
{
    const VARTYPE type = V_VT(&result);
    if (type == VT_EMPTY || (type & (VT_BYREF | VT_ARRAY)) != 0)
        return;
    // Every member of the value union starts at the same address; none a result here
    // holds is larger than a double.
    static_assert(sizeof(void*) <= sizeof(double));
    void* storage = CoTaskMemAlloc(sizeof(double));
    if (!storage)
        return;
    std::memcpy(storage, &V_R8(&result), sizeof(double));
    V_VT(&result) = type | VT_BYREF;
    V_BYREF(&result) = storage;
}

// The deferred answer's fill-in. A client may call it only in this process: an address
// of it in another process means nothing there.
HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* excep)
{
    if (!excep)
        return E_POINTER;
    excep->bstrSource = SysAllocString(L"Simulated cell");
    excep->bstrDescription = SysAllocString(L"odd answer, filled in later");
    excep->scode = E_FAIL;
    return S_OK;
}

void SetResult(VARIANT& result, VARTYPE type)
{
    VariantClear(&result);
    V_VT(&result) = type;
}

// The call's own answer is dropped: an object it returned is released with it.
HRESULT AnswerOddly(OddAnswer answer, VARIANT* result, EXCEPINFO* excep)
{
    if (answer == OddAnswer::Deferred) {
        if (result)
            VariantClear(result);
        if (excep) {
            *excep = EXCEPINFO{};
            excep->pfnDeferredFillIn = &FillInLater;
        }
        return DISP_E_EXCEPTION;
    }
    if (!result)
        return S_OK;
    switch (answer) {
    case OddAnswer::NoObject:
        SetResult(*result, VT_DISPATCH);
        V_DISPATCH(result) = nullptr;
        break;
    case OddAnswer::Text:
        SetResult(*result, VT_BSTR);
        V_BSTR(result) = SysAllocString(L"odd");
        break;
    case OddAnswer::NaN:
    case OddAnswer::Infinity:
    case OddAnswer::NegativeInfinity:
        SetResult(*result, VT_R8);
        V_R8(result) = answer == OddAnswer::NaN        ? std::numeric_limits<double>::quiet_NaN()
                       : answer == OddAnswer::Infinity ? std::numeric_limits<double>::infinity()
                                                       : -std::numeric_limits<double>::infinity();
        break;
    case OddAnswer::Itself:
        SetResult(*result, VT_DISPATCH);
        V_DISPATCH(result) = new Itself;
        break;
    case OddAnswer::ByReference: AnswerByReference(*result); break;
    default: VariantClear(result); break;
    }
    return S_OK;
}

// Every invoke ends here: a call that succeeded may be answered oddly instead.
HRESULT Answered(HRESULT hr, VARIANT* result, EXCEPINFO* excep)
{
    const std::optional<OddAnswer> odd = g_chooseOdd ? g_chooseOdd() : std::nullopt;
    return odd && SUCCEEDED(hr) ? AnswerOddly(*odd, result, excep) : hr;
}

HRESULT STDMETHODCALLTYPE Itself::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                         EXCEPINFO* excep, UINT*)
{
    ++g_invokes;
    HRESULT hr = S_OK;
    if (id != DISPID_VALUE)
        hr = DISP_E_MEMBERNOTFOUND;
    else if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0)
        hr = DISP_E_MEMBERNOTFOUND;
    else if (result) {
        SetResult(*result, VT_DISPATCH);
        V_DISPATCH(result) = this;
        AddRef();
    }
    return Answered(hr, result, excep);
}

} // namespace

std::optional<OddAnswer> OddAnswerNamed(std::wstring_view name)
{
    for (const auto& odd : kOddAnswers)
        if (name == odd.name)
            return odd.answer;
    return std::nullopt;
}

std::wstring ProgramPath()
{
    wchar_t exe[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw Error("the cell's own path is too long");
    return exe;
}

void ForEachDual(ITypeLib* library, const std::function<void(UINT index, const IID& iid, ITypeInfo* info)>& each)
{
    for (UINT i = 0, count = library->GetTypeInfoCount(); i < count; ++i) {
        com::Ptr<ITypeInfo> info;
        com::Check(library->GetTypeInfo(i, info.put()), L"ITypeLib::GetTypeInfo");
        TYPEATTR* attr = nullptr;
        com::Check(info->GetTypeAttr(&attr), L"ITypeInfo::GetTypeAttr");
        const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
        const IID iid = attr->guid;
        info->ReleaseTypeAttr(attr);
        if (dual)
            each(i, iid, info.get());
    }
}

void LoadTypeLibraries()
{
    if (!Interfaces().empty())
        return;
    const std::wstring exe = ProgramPath();
    for (const TypeLibrary& library : kTypeLibraries) {
        const int resource = sizeof(void*) == 8 ? library.resource64 : library.resource32;
        const std::wstring path = exe + L"\\" + std::to_wstring(resource);
        com::Ptr<ITypeLib> loaded;
        com::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, loaded.put()), L"loading the type library " + path);
        Describe(loaded.get());
    }
}

HRESULT Guarded(const std::function<void()>& body) noexcept
{
    std::wstring text;
    HRESULT hr = E_FAIL;
    try {
        body();
        return S_OK;
    } catch (const Error& e) {
        text = Widen(e.what());
        if (e.code() && FAILED(*e.code()))
            hr = *e.code();
    } catch (const std::exception& e) {
        text = Widen(e.what());
    } catch (...) {
        text = L"unknown failure";
    }
    com::Ptr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetSource(const_cast<LPOLESTR>(L"Simulated cell"));
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        com::Ptr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.put_void())))
            SetErrorInfo(0, info.get());
    }
    return hr;
}

std::vector<double> DoublesOf(const VARIANT& value, const char* what)
{
    SAFEARRAY* array = nullptr;
    if (V_VT(&value) == (VT_ARRAY | VT_R8))
        array = V_ARRAY(&value);
    else if (V_VT(&value) == (VT_ARRAY | VT_R8 | VT_BYREF) && V_ARRAYREF(&value))
        array = *V_ARRAYREF(&value);
    if (!array || SafeArrayGetDim(array) != 1)
        throw Error(std::string(what) + " is not a one-dimensional array of doubles");
    LONG low = 0;
    LONG high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    if (low != 0)
        throw Error(std::string(what) + " does not start at index 0");
    std::vector<double> values;
    if (high < low)
        return values;
    void* data = nullptr;
    com::Check(SafeArrayAccessData(array, &data), L"SafeArrayAccessData");
    const auto* first = static_cast<const double*>(data);
    values.assign(first, first + (static_cast<std::size_t>(high) + 1));
    SafeArrayUnaccessData(array);
    return values;
}

ServedObject::ServedObject(IDispatch* self, const IID& iid) : self_(self), type_(DescribedOf(iid))
{
    ++g_alive;
}

ServedObject::~ServedObject()
{
    --g_alive;
    ++g_released;
}

long ServedObject::Alive()
{
    return g_alive;
}

std::wstring ServedObject::RoundTrips()
{
    return L"round trips: " + std::to_wstring(g_nameLookups + g_invokes + g_typedQueries + g_released) + L" (names " +
           std::to_wstring(g_nameLookups) + L", invokes " + std::to_wstring(g_invokes) + L", queries " +
           std::to_wstring(g_typedQueries) + L", releases " + std::to_wstring(g_released) + L")";
}

void ServedObject::SetOddAnswers(std::function<std::optional<OddAnswer>()> choose)
{
    g_chooseOdd = std::move(choose);
}

ServedObject* ServedObject::From(IUnknown* unknown)
{
    void* self = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(kCellObject, &self)) || !self)
        return nullptr;
    auto* object = static_cast<ServedObject*>(self);
    object->ReleaseCount();
    return object;
}

HRESULT ServedObject::Query(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, kCellObject)) {
        *out = this;
    } else if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = self_;
    } else {
        for (std::size_t i = 0; i < type_.chain.size() && !*out; ++i) {
            if (!IsEqualIID(iid, type_.chain[i]))
                continue;
            *out = self_;
            if ((queried_ & (1u << i)) == 0)
                ++g_typedQueries;
            queried_ |= 1u << i;
        }
        if (!*out)
            return E_NOINTERFACE;
    }
    AddRefCount();
    return S_OK;
}

ULONG ServedObject::AddRefCount()
{
    return static_cast<ULONG>(++refs_);
}

ULONG ServedObject::ReleaseCount()
{
    const long left = --refs_;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ServedObject::TypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT ServedObject::TypeInfo(UINT index, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    *info = type_.dispatch.get();
    (*info)->AddRef();
    return S_OK;
}

HRESULT ServedObject::IDsOfNames(LPOLESTR* names, UINT count, DISPID* ids)
{
    ++g_nameLookups;
    return DispGetIDsOfNames(type_.vtable.get(), names, count, ids);
}

HRESULT ServedObject::Dispatch(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                               UINT* argError)
{
    ++g_invokes;
    // An error object an earlier call left on the thread would become this call's text.
    SetErrorInfo(0, nullptr);
    const HRESULT hr = type_.vtable->Invoke(self_, id, flags, params, result, excep, argError);
    return Answered(hr, result, excep);
}

} // namespace tessaly::cell
