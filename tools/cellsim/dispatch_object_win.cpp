#include "dispatch_object_win.h"

#include <cstring>
#include <limits>

#include "base/convert.h"

namespace tessaly::cell {
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

constexpr struct {
    const wchar_t* name;
    OddAnswer answer;
} kOddAnswers[] = {
    {L"null", OddAnswer::Null},         {L"text", OddAnswer::Text},
    {L"nan", OddAnswer::NaN},           {L"inf", OddAnswer::Infinity},
    {L"empty", OddAnswer::Empty},       {L"deferred", OddAnswer::Deferred},
    {L"self", OddAnswer::Itself},       {L"-inf", OddAnswer::NegativeInfinity},
    {L"byref", OddAnswer::ByReference},
};

// An object whose default value is itself, and nothing else: a client that fetches the
// default value of what it reads gets this object again, every time.
class Itself final : public DispatchObject {
public:
    Itself() : DispatchObject(nullptr, kNames) {}

protected:
    void Call(DISPID, const Args& args, VARIANT& result) override
    {
        if (args.IsPut())
            throw Error("the value of this object is read-only");
        AddRef();
        Return(result, static_cast<DispatchObject*>(this));
    }

private:
    static constexpr MemberName kNames[] = {{L"Value", DISPID_VALUE}};
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
        throw Error("out of memory for an answer by reference");
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

} // namespace

std::optional<OddAnswer> OddAnswerNamed(std::wstring_view name)
{
    for (const auto& odd : kOddAnswers)
        if (name == odd.name)
            return odd.answer;
    return std::nullopt;
}

void Args::Expect(std::size_t count) const
{
    if (Count() != count)
        throw Error("expected " + std::to_string(count) + " arguments, got " + std::to_string(Count()));
}

const VARIANT& Args::At(std::size_t i) const
{
    if (i >= Count())
        throw Error("argument " + std::to_string(i + 1) + " is missing");
    const VARIANT& arg = params_.rgvarg[Count() - 1 - i];
    if (V_VT(&arg) == (VT_VARIANT | VT_BYREF))
        return *V_VARIANTREF(&arg);
    return arg;
}

bool Args::IsVariantRef(std::size_t i) const
{
    return i < Count() && V_VT(&params_.rgvarg[Count() - 1 - i]) == (VT_VARIANT | VT_BYREF);
}

com::Variant Args::Converted(std::size_t i, VARTYPE type) const
{
    com::Variant value;
    com::Check(VariantChangeType(value.get(), const_cast<VARIANT*>(&At(i)), 0, type),
               L"argument " + std::to_wstring(i + 1));
    return value;
}

std::int32_t Args::Int(std::size_t i) const
{
    return V_I4(Converted(i, VT_I4).get());
}

std::int16_t Args::Short(std::size_t i) const
{
    return V_I2(Converted(i, VT_I2).get());
}

double Args::Double(std::size_t i) const
{
    return V_R8(Converted(i, VT_R8).get());
}

bool Args::Bool(std::size_t i) const
{
    return V_BOOL(Converted(i, VT_BOOL).get()) != VARIANT_FALSE;
}

std::wstring Args::Text(std::size_t i) const
{
    com::Variant text = Converted(i, VT_BSTR);
    const BSTR b = V_BSTR(text.get());
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

std::vector<double> Args::Doubles(std::size_t i) const
{
    const VARIANT& arg = At(i);
    SAFEARRAY* array = nullptr;
    if (V_VT(&arg) == (VT_ARRAY | VT_R8))
        array = V_ARRAY(&arg);
    else if (V_VT(&arg) == (VT_ARRAY | VT_R8 | VT_BYREF))
        array = *V_ARRAYREF(&arg);
    else
        throw Error("argument " + std::to_string(i + 1) + " is not an array of doubles");
    if (!array || SafeArrayGetDim(array) != 1)
        throw Error("argument " + std::to_string(i + 1) + " is not a one-dimensional array");
    LONG low = 0;
    LONG high = -1;
    SafeArrayGetLBound(array, 1, &low);
    SafeArrayGetUBound(array, 1, &high);
    std::vector<double> values;
    if (high < low)
        return values;
    void* data = nullptr;
    com::Check(SafeArrayAccessData(array, &data), L"SafeArrayAccessData");
    const auto* first = static_cast<const double*>(data);
    values.assign(first, first + (static_cast<std::size_t>(high) - static_cast<std::size_t>(low) + 1));
    SafeArrayUnaccessData(array);
    return values;
}

IDispatch* Args::Object(std::size_t i) const
{
    const VARIANT& arg = At(i);
    if (V_VT(&arg) == VT_DISPATCH)
        return V_DISPATCH(&arg);
    if (V_VT(&arg) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(&arg))
        return *V_DISPATCHREF(&arg);
    throw Error("argument " + std::to_string(i + 1) + " is not an object");
}

DispatchObject::DispatchObject(const IID* typed, std::span<const MemberName> names) : typed_(typed), names_(names)
{
    ++g_alive;
}

DispatchObject::~DispatchObject()
{
    --g_alive;
    ++g_released;
}

long DispatchObject::Alive()
{
    return g_alive;
}

std::wstring DispatchObject::RoundTrips()
{
    return L"round trips: " + std::to_wstring(g_nameLookups + g_invokes + g_typedQueries + g_released) + L" (names " +
           std::to_wstring(g_nameLookups) + L", invokes " + std::to_wstring(g_invokes) + L", queries " +
           std::to_wstring(g_typedQueries) + L", releases " + std::to_wstring(g_released) + L")";
}

DispatchObject* DispatchObject::From(IUnknown* unknown)
{
    void* self = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(kCellObject, &self)) || !self)
        return nullptr;
    auto* object = static_cast<DispatchObject*>(static_cast<IDispatch*>(self));
    object->Release();
    return object;
}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, kCellObject) &&
        !(typed_ && IsEqualIID(iid, *typed_)))
        return E_NOINTERFACE;
    if (typed_ && IsEqualIID(iid, *typed_))
        ++g_typedQueries;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef()
{
    return static_cast<ULONG>(++refs_);
}

ULONG STDMETHODCALLTYPE DispatchObject::Release()
{
    const long left = --refs_;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    ++g_nameLookups;
    if (!names || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only the member name itself is known; named arguments are not.
        if (i == 0) {
            for (const MemberName& member : names_)
                if (names[0] && _wcsicmp(names[0], member.name) == 0)
                    ids[0] = member.id;
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* excep, UINT*)
{
    ++g_invokes;
    if (!params)
        return E_POINTER;
    bool known = false;
    for (const MemberName& member : names_)
        known = known || member.id == id;
    if (!known)
        return DISP_E_MEMBERNOTFOUND;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    com::Variant value;
    HRESULT hr = S_OK;
    try {
        Call(id, Args(*params, put), *value.get());
    } catch (const std::exception& e) {
        if (excep) {
            *excep = EXCEPINFO{};
            excep->scode = E_FAIL;
            excep->bstrSource = SysAllocString(L"Simulated cell");
            excep->bstrDescription = SysAllocString(Widen(e.what()).c_str());
        }
        hr = DISP_E_EXCEPTION;
    }
    if (SUCCEEDED(hr) && result) {
        *result = *value.get();
        VariantInit(value.get());
    }
    const std::optional<OddAnswer> odd = g_chooseOdd ? g_chooseOdd() : std::nullopt;
    return odd && SUCCEEDED(hr) ? AnswerOddly(*odd, result, excep) : hr;
}

void DispatchObject::SetOddAnswers(std::function<std::optional<OddAnswer>()> choose)
{
    g_chooseOdd = std::move(choose);
}

// The call's own answer is dropped: an object it returned is released with it.
HRESULT DispatchObject::AnswerOddly(OddAnswer answer, VARIANT* result, EXCEPINFO* excep)
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
    case OddAnswer::Null: Return(*result, static_cast<DispatchObject*>(nullptr)); break;
    case OddAnswer::Text: Return(*result, std::wstring(L"odd")); break;
    case OddAnswer::NaN: Return(*result, std::numeric_limits<double>::quiet_NaN()); break;
    case OddAnswer::Infinity: Return(*result, std::numeric_limits<double>::infinity()); break;
    case OddAnswer::NegativeInfinity: Return(*result, -std::numeric_limits<double>::infinity()); break;
    case OddAnswer::Itself: Return(*result, new Itself); break;
    case OddAnswer::ByReference: AnswerByReference(*result); break;
    default: VariantClear(result); break;
    }
    return S_OK;
}

void DispatchObject::Return(VARIANT& result, double value)
{
    VariantClear(&result);
    V_VT(&result) = VT_R8;
    V_R8(&result) = value;
}

void DispatchObject::Return(VARIANT& result, std::int32_t value)
{
    VariantClear(&result);
    V_VT(&result) = VT_I4;
    V_I4(&result) = value;
}

void DispatchObject::Return(VARIANT& result, const std::wstring& text)
{
    VariantClear(&result);
    V_VT(&result) = VT_BSTR;
    V_BSTR(&result) = com::Bstr(text).detach();
}

void DispatchObject::Return(VARIANT& result, DispatchObject* object)
{
    VariantClear(&result);
    V_VT(&result) = VT_DISPATCH;
    V_DISPATCH(&result) = object;
}

} // namespace tessaly::cell
