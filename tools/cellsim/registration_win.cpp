#include "registration_win.h"

#include <cstring>
#include <string>

#include "cad/com_ids_win.h"
#include "cell_objects_win.h"
#include "dmis/com_ids_win.h"
#include "registry_guard_win.h"
#include "win32/failure.h"
#include "win32/handles.h"

namespace tessaly::cell {
namespace {

// The cell's own class ids.
constexpr CLSID kMeasuringClass = {0x3A1F6C20, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};
constexpr CLSID kCadClass = {0x3A1F6C21, 0x8E55, 0x4C1B, {0xA8, 0x0D, 0x51, 0x7E, 0x22, 0x90, 0x6B, 0x14}};

constexpr const wchar_t* kMeasuringProgId = dmis::ids::kProgId;
constexpr const wchar_t* kCadProgId = cad::ids::kProgId;

std::wstring Text(const GUID& guid)
{
    wchar_t text[40] = L"";
    StringFromGUID2(guid, text, 40);
    return text;
}

// The guard of the registration being made: every key the cell writes or deletes is
// planned with it, and written once it has looked at what is there.
RegistryGuard* planned = nullptr;

// Plans with `guard` while it lives.
class Planning {
public:
    explicit Planning(RegistryGuard& guard) { planned = &guard; }
    ~Planning() { planned = nullptr; }
    Planning(const Planning&) = delete;
    Planning& operator=(const Planning&) = delete;
};

void SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    planned->Set(path, name, value);
}

void SetKey(const std::wstring& path, const std::wstring& value)
{
    SetKey(path, nullptr, value);
}

// `path` is a whole registration: a ProgID, CLSID\{..}.
void DeleteKey(const std::wstring& path)
{
    planned->Clear(path);
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

// The type library marshaler (PSOAInterface): dual interfaces cross processes with it,
// as the applications register theirs.
constexpr CLSID kTypeLibraryMarshaler = {0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Type library `resource` of this program, as a file of its own beside it: a client of
// either bitness loads the one of its own. A file with the same bytes is left as it is:
// a client may still have it open. (widl stamps each build's libraries with its time, so
// the cells of two build trees would not share one file.)
std::wstring TypeLibraryFile(int resource, const wchar_t* name)
{
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resource), L"TYPELIB");
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    if (!bytes || size == 0)
        throw LastWin32Error(L"the type library resource");
    std::wstring path = ProgramPath();
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + name;

    std::string there(size, '\0');
    UniqueFile existing(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    DWORD read = 0;
    if (existing && GetFileSize(existing.get(), nullptr) == size &&
        ReadFile(existing.get(), there.data(), size, &read, nullptr) && read == size &&
        std::memcmp(there.data(), bytes, size) == 0)
        return path;
    existing.reset();

    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes, size, &written, nullptr) || written != size)
        throw LastWin32Error(L"writing " + path);
    return path;
}

// The name of type `index` of `library` (-1: of the library).
std::wstring NameOf(ITypeLib* library, INT index)
{
    BSTR name = nullptr;
    if (FAILED(library->GetDocumentation(index, &name, nullptr, nullptr, nullptr)) || !name)
        return L"";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

// Registers the type libraries built into this program and every dual interface they
// describe, in both views: what RegisterTypeLib writes in one.
void RegisterTypeLibraries()
{
    for (const TypeLibrary& library : kTypeLibraries) {
        const std::wstring id = Text(*library.id);
        const std::wstring win32 = TypeLibraryFile(library.resource32, (L"tessaly-cell-" + id + L"-win32.tlb").c_str());
        const std::wstring win64 = TypeLibraryFile(library.resource64, (L"tessaly-cell-" + id + L"-win64.tlb").c_str());
        com::Ptr<ITypeLib> loaded;
        com::Check(LoadTypeLibEx((sizeof(void*) == 8 ? win64 : win32).c_str(), REGKIND_NONE, loaded.put()),
                   L"loading the type library " + id);

        const std::wstring version = std::to_wstring(library.major) + L"." + std::to_wstring(library.minor);
        const std::wstring key = L"TypeLib\\" + id + L"\\" + version;
        SetKey(key, NameOf(loaded.get(), -1));
        SetKey(key + L"\\FLAGS", L"0");
        SetKey(key + L"\\0\\win32", win32);
        SetKey(key + L"\\0\\win64", win64);
        ForEachDual(loaded.get(), [&](UINT index, const IID& iid, ITypeInfo*) {
            const std::wstring interfaceKey = L"Interface\\" + Text(iid);
            SetKey(interfaceKey, NameOf(loaded.get(), static_cast<INT>(index)));
            SetKey(interfaceKey + L"\\ProxyStubClsid", Text(kTypeLibraryMarshaler));
            SetKey(interfaceKey + L"\\ProxyStubClsid32", Text(kTypeLibraryMarshaler));
            SetKey(interfaceKey + L"\\TypeLib", id);
            SetKey(interfaceKey + L"\\TypeLib", L"Version", version);
        });
    }
}

class MeasuringFactory final : public Counted<IClassFactory> {
public:
    explicit MeasuringFactory(dmis::IConnector& connector) : connector_(connector) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            auto app = com::Ptr<IDispatch>::Adopt(NewMeasuringApplication(connector_.CreateApplication()));
            return app->QueryInterface(iid, out);
        } catch (const std::exception&) {
            return E_FAIL;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    dmis::IConnector& connector_;
};

} // namespace

Registration::Registration(dmis::IConnector* measuring, IDispatch* cad, bool replaceForeign)
    // The measuring application's library id is the cell's own too: its keys, left by
    // cells from before the mark, are taken back as the cell's.
    : guard_(replaceForeign, {Text(kMeasuringClass), Text(kCadClass), Text(LIBID_PCDLRN)})
{
    {
        Planning planning(guard_);
        RegisterTypeLibraries();
        if (measuring)
            RegisterProgId(kMeasuringProgId, kMeasuringClass, L"Simulated measuring application");
        else
            UnregisterProgId(kMeasuringProgId, kMeasuringClass);
        RegisterProgId(kCadProgId, kCadClass, L"Simulated CAD application");
    }
    guard_.Apply();
    if (measuring) {
        factory_ = com::Ptr<IClassFactory>::Adopt(new MeasuringFactory(*measuring));
        com::Check(CoRegisterClassObject(kMeasuringClass, factory_.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                         &classCookie_),
                   std::wstring(L"CoRegisterClassObject(\"") + kMeasuringProgId + L"\")");
    }
    if (cad) {
        com::Check(RegisterActiveObject(cad, kCadClass, ACTIVEOBJECT_STRONG, &runningCookie_),
                   std::wstring(L"RegisterActiveObject(\"") + kCadProgId + L"\")");
        cadRunning_ = true;
    }
}

// The keys go back as they were when guard_ goes.
Registration::~Registration()
{
    if (cadRunning_)
        RevokeActiveObject(runningCookie_, nullptr);
    if (factory_)
        CoRevokeClassObject(classCookie_);
}

} // namespace tessaly::cell
