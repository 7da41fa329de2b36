#include "registration_win.h"

#include <string>
#include <utility>

#include "cad/com_ids_win.h"
#include "cell_objects_win.h"
#include "dmis/com_ids_win.h"

namespace tessaly::cell {
namespace {

// The cell's own class and library ids.
constexpr CLSID kMeasuringClass = {0x3A1F6C20, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};
constexpr CLSID kCadClass = {0x3A1F6C21, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};
constexpr GUID kTypeLibrary = {0x3A1F6C22, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};

constexpr const wchar_t* kMeasuringProgId = dmis::kProgId;
constexpr const wchar_t* kCadProgId = cad::kProgId;

std::wstring Text(const GUID& guid) {
    wchar_t text[40] = L"";
    StringFromGUID2(guid, text, 40);
    return text;
}

// Machine-wide where that may be written (a Wine prefix, an administrator), else for
// the current user.
void SetKey(const std::wstring& path, const std::wstring& value) {
    LONG status = ERROR_ACCESS_DENIED;
    const std::pair<HKEY, const wchar_t*> places[] = {{HKEY_CLASSES_ROOT, L""},
                                                      {HKEY_CURRENT_USER, L"Software\\Classes\\"}};
    for (const auto& [root, prefix] : places) {
        HKEY key = nullptr;
        status = RegCreateKeyExW(root, (std::wstring(prefix) + path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS) {
            status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        if (status == ERROR_SUCCESS) {
            return;
        }
    }
    throw com::MakeError(L"writing the class key " + path, HRESULT_FROM_WIN32(status));
}

void DeleteKey(const std::wstring& path) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + path).c_str());
}

void RegisterProgId(const wchar_t* progId, const CLSID& clsid, const wchar_t* description) {
    SetKey(progId, description);
    SetKey(std::wstring(progId) + L"\\CLSID", Text(clsid));
    SetKey(L"CLSID\\" + Text(clsid), description);
    SetKey(L"CLSID\\" + Text(clsid) + L"\\ProgID", progId);
}

void UnregisterProgId(const wchar_t* progId, const CLSID& clsid) {
    DeleteKey(progId);
    DeleteKey(L"CLSID\\" + Text(clsid));
}

// The interfaces that clients query results for, as dispinterfaces: registering them
// lets COM marshal a QueryInterface for their IIDs across processes.
void RegisterTypeLibrary() {
    struct Described {
        const IID* iid;
        const wchar_t* name;
    };
    const Described interfaces[] = {
        {&dmis::ids::kApplicationIid, L"IApplication"}, {&dmis::ids::kMachineIid, L"IMachine"},
        {&dmis::ids::kCommandsIid, L"ICommands"},       {&dmis::ids::kCommandIid, L"ICommand"},
        {&dmis::ids::kFeatureDataIid, L"IFeatureData"}, {&dmis::ids::kPointIid, L"IPoint"},
        {&cad::ids::kCircleIid, L"ICircle"},
    };

    wchar_t folder[MAX_PATH] = L"";
    if (GetTempPathW(MAX_PATH, folder) == 0) {
        throw com::MakeError(L"GetTempPath", HRESULT_FROM_WIN32(GetLastError()));
    }
    const std::wstring path = std::wstring(folder) + L"tessaly-cell.tlb";

    com::Ptr<ITypeLib> stdole;
    com::Check(LoadTypeLib(L"stdole2.tlb", stdole.put()), L"LoadTypeLib(stdole2.tlb)");
    com::Ptr<ITypeInfo> dispatch;
    com::Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch.put()), L"the type of IDispatch");

    com::Ptr<ICreateTypeLib2> library;
    com::Check(CreateTypeLib2(SYS_WIN64, path.c_str(), library.put()), L"CreateTypeLib2");
    com::Check(library->SetGuid(kTypeLibrary), L"ICreateTypeLib::SetGuid");
    com::Check(library->SetName(const_cast<LPOLESTR>(L"TessalyCell")), L"ICreateTypeLib::SetName");
    com::Check(library->SetVersion(1, 0), L"ICreateTypeLib::SetVersion");
    for (const Described& d : interfaces) {
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

    com::Ptr<ITypeLib> registered;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, registered.put()))) {
        com::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, registered.put()), L"loading the type library");
        // Not in every SDK's headers, so looked up.
        using ForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
        const auto forUser = reinterpret_cast<ForUser>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "RegisterTypeLibForUser")));
        com::Check(forUser ? forUser(registered.get(), const_cast<LPOLESTR>(path.c_str()), nullptr) : E_NOTIMPL,
                   L"registering the type library for the current user");
    }
}

class MeasuringFactory final : public IClassFactory {
public:
    explicit MeasuringFactory(dmis::IConnector& connector) : connector_(connector) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        try {
            com::Ptr<DispatchObject> app(NewMeasuringApplication(connector_.CreateApplication()));
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

Registration::Registration(dmis::IConnector* measuring, IDispatch* cad) {
    RegisterTypeLibrary();
    if (measuring) {
        RegisterProgId(kMeasuringProgId, kMeasuringClass, L"Simulated measuring application");
        factory_ = com::Ptr<IClassFactory>(new MeasuringFactory(*measuring));
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

Registration::~Registration() {
    if (cadRunning_) {
        RevokeActiveObject(runningCookie_, nullptr);
    }
    if (factory_) {
        CoRevokeClassObject(classCookie_);
        UnregisterProgId(kMeasuringProgId, kMeasuringClass);
    }
    UnregisterProgId(kCadProgId, kCadClass);
}

} // namespace tessaly::cell
