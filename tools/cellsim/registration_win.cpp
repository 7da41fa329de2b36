#include "registration_win.h"

#include <string>
#include <utility>

#include "cad/com_ids_win.h"
#include "cell_objects_win.h"
#include "dmis/com_ids_win.h"
#include "win32/handles.h"

namespace tessaly::cell {
namespace {

// The cell's own class and library ids.
constexpr CLSID kMeasuringClass = {0x3A1F6C20, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};
constexpr CLSID kCadClass = {0x3A1F6C21, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};
constexpr GUID kTypeLibrary = {0x3A1F6C22, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};

constexpr const wchar_t* kMeasuringProgId = dmis::ids::kProgId;
constexpr const wchar_t* kCadProgId = cad::ids::kProgId;

std::wstring Text(const GUID& guid)
{
    wchar_t text[40] = L"";
    StringFromGUID2(guid, text, 40);
    return text;
}

// An installer writes a class for both bitnesses: a client of the other bitness than
// the server reads the other registry view (class, ProgID, the interfaces' proxies and
// the type library). On 32-bit Windows both flags name the one view there is.
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// Machine-wide where that may be written (a Wine prefix, an administrator), else for
// the current user.
const std::pair<HKEY, const wchar_t*> kPlaces[] = {{HKEY_CLASSES_ROOT, L""},
                                                   {HKEY_CURRENT_USER, L"Software\\Classes\\"}};

void SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    for (REGSAM view : kViews) {
        LONG status = ERROR_ACCESS_DENIED;
        for (const auto& [root, prefix] : kPlaces) {
            HKEY opened = nullptr;
            status = RegCreateKeyExW(root, (std::wstring(prefix) + path).c_str(), 0, nullptr, 0, KEY_WRITE | view,
                                     nullptr, &opened, nullptr);
            if (status == ERROR_SUCCESS)
                status = RegSetValueExW(UniqueKey(opened).get(), name, 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
            if (status == ERROR_SUCCESS)
                break;
        }
        if (status != ERROR_SUCCESS)
            throw com::MakeError(L"writing the class key " + path, HRESULT_FROM_WIN32(status));
    }
}

void SetKey(const std::wstring& path, const std::wstring& value)
{
    SetKey(path, nullptr, value);
}

void DeleteKey(const std::wstring& path)
{
    for (REGSAM view : kViews) {
        for (const auto& [root, prefix] : kPlaces) {
            const std::wstring full = std::wstring(prefix) + path;
            HKEY opened = nullptr;
            if (RegOpenKeyExW(root, full.c_str(), 0, KEY_ALL_ACCESS | view, &opened) == ERROR_SUCCESS) {
                RegDeleteTreeW(UniqueKey(opened).get(), nullptr);
                RegDeleteKeyExW(root, full.c_str(), view, 0);
            }
        }
    }
}

void RegisterProgId(const wchar_t* progId, const CLSID& clsid, const wchar_t* description)
{
    SetKey(progId, description);
    SetKey(std::wstring(progId) + L"\\CLSID", Text(clsid));
    SetKey(L"CLSID\\" + Text(clsid), description);
    SetKey(L"CLSID\\" + Text(clsid) + L"\\ProgID", progId);
}

void UnregisterProgId(const wchar_t* progId, const CLSID& clsid)
{
    DeleteKey(progId);
    DeleteKey(L"CLSID\\" + Text(clsid));
}

struct Described {
    const IID* iid;
    const wchar_t* name;
};
// The interfaces that clients query results for, as dispinterfaces: registering them
// lets COM marshal a QueryInterface for their IIDs across processes.
const Described kInterfaces[] = {
    {&dmis::ids::kApplicationIid, L"IApplication"},
    {&dmis::ids::kMachineIid, L"IMachine"},
    {&dmis::ids::kCommandsIid, L"ICommands"},
    {&dmis::ids::kCommandIid, L"ICommand"},
    {&dmis::ids::kFeatureDataIid, L"IFeatureData"},
    {&dmis::ids::kPointIid, L"IPoint"},
    {&cad::ids::kCircleIid, L"ICircle"},
};

// The standard marshaler of dispinterfaces (PSDispatch).
constexpr CLSID kDispatchProxy = {0x00020420, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Builds the type library and registers it, with its interfaces, in both views: what
// RegisterTypeLib writes in one.
void RegisterTypeLibrary()
{
    wchar_t folder[MAX_PATH] = L"";
    if (GetTempPathW(MAX_PATH, folder) == 0)
        throw com::MakeError(L"GetTempPath", HRESULT_FROM_WIN32(GetLastError()));
    const std::wstring path = std::wstring(folder) + L"tessaly-cell.tlb";

    com::Ptr<ITypeLib> stdole;
    com::Check(LoadTypeLib(L"stdole2.tlb", stdole.put()), L"LoadTypeLib(stdole2.tlb)");
    com::Ptr<ITypeInfo> dispatch;
    com::Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.put()), L"the type of IDispatch");

    com::Ptr<ICreateTypeLib2> library;
    com::Check(CreateTypeLib2(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, path.c_str(), library.put()),
               L"CreateTypeLib2");
    com::Check(library->SetGuid(kTypeLibrary), L"ICreateTypeLib::SetGuid");
    com::Check(library->SetName(const_cast<LPOLESTR>(L"TessalyCell")), L"ICreateTypeLib::SetName");
    com::Check(library->SetVersion(1, 0), L"ICreateTypeLib::SetVersion");
    for (const Described& d : kInterfaces) {
        com::Ptr<ICreateTypeInfo> info;
        com::Check(library->CreateTypeInfo(const_cast<LPOLESTR>(d.name), TKIND_DISPATCH, info.put()), d.name);
        com::Check(info->SetGuid(*d.iid), d.name);
        HREFTYPE base = 0;
        com::Check(info->AddRefTypeInfo(dispatch.get(), &base), d.name);
        com::Check(info->AddImplType(0, base), d.name);
        com::Check(info->LayOut(), d.name);
    }
    com::Check(library->SaveAllChanges(), L"saving the type library");
    library.reset();
    com::Ptr<ITypeLib> saved;
    com::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, saved.put()), L"loading the type library");

    const std::wstring libraryKey = L"TypeLib\\" + Text(kTypeLibrary);
    SetKey(libraryKey + L"\\1.0", L"TessalyCell");
    SetKey(libraryKey + L"\\1.0\\FLAGS", L"0");
    SetKey(libraryKey + L"\\1.0\\HELPDIR", folder);
    // One file serves both: the library describes dispinterfaces only, no layouts.
    SetKey(libraryKey + L"\\1.0\\0\\win32", path);
    SetKey(libraryKey + L"\\1.0\\0\\win64", path);
    for (const Described& d : kInterfaces) {
        const std::wstring key = L"Interface\\" + Text(*d.iid);
        SetKey(key, d.name);
        SetKey(key + L"\\ProxyStubClsid", Text(kDispatchProxy));
        SetKey(key + L"\\ProxyStubClsid32", Text(kDispatchProxy));
        SetKey(key + L"\\TypeLib", Text(kTypeLibrary));
        SetKey(key + L"\\TypeLib", L"Version", L"1.0");
    }
}

class MeasuringFactory final : public IClassFactory {
public:
    explicit MeasuringFactory(dmis::IConnector& connector) : connector_(connector) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
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

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            auto app = com::Ptr<DispatchObject>::Adopt(NewMeasuringApplication(connector_.CreateApplication()));
            return app->QueryInterface(iid, out);
        } catch (const std::exception&) {
            return E_FAIL;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    dmis::IConnector& connector_;
    long refs_ = 1;
};

} // namespace

Registration::Registration(dmis::IConnector* measuring, IDispatch* cad)
{
    RegisterTypeLibrary();
    if (measuring) {
        RegisterProgId(kMeasuringProgId, kMeasuringClass, L"Simulated measuring application");
        factory_ = com::Ptr<IClassFactory>::Adopt(new MeasuringFactory(*measuring));
        com::Check(CoRegisterClassObject(kMeasuringClass, factory_.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                         &classCookie_),
                   std::wstring(L"CoRegisterClassObject(\"") + kMeasuringProgId + L"\")");
    } else {
        UnregisterProgId(kMeasuringProgId, kMeasuringClass);
    }
    RegisterProgId(kCadProgId, kCadClass, L"Simulated CAD application");
    if (cad) {
        com::Check(RegisterActiveObject(cad, kCadClass, ACTIVEOBJECT_STRONG, &runningCookie_),
                   std::wstring(L"RegisterActiveObject(\"") + kCadProgId + L"\")");
        cadRunning_ = true;
    }
}

Registration::~Registration()
{
    if (cadRunning_)
        RevokeActiveObject(runningCookie_, nullptr);
    if (factory_) {
        CoRevokeClassObject(classCookie_);
        UnregisterProgId(kMeasuringProgId, kMeasuringClass);
    }
    UnregisterProgId(kCadProgId, kCadClass);
}

} // namespace tessaly::cell
