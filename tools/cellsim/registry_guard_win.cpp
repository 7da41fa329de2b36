#include "registry_guard_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <optional>
#include <string>
#include <utility>

#include "base/convert.h"
#include "base/error.h"
#include "win32/failure.h"
#include "win32/handles.h"

namespace tessaly::cell {

// A key as it was: its values in the order the registry lists them, and its subkeys.
struct Tree {
    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    std::wstring name; // a subkey's; the root's is the root's path
    std::vector<Value> values;
    std::vector<Tree> subkeys;
};

// A root in one place and view: what the cell found there, and what it saved of it.
struct RegistryGuard::Root {
    std::uint32_t place = 0;
    REGSAM view = 0;
    std::wstring path;
    bool present = false;
    std::optional<Tree> saved; // another program's, put back at the end
};

struct RegistryGuard::Write {
    std::wstring path;
    std::optional<std::wstring> name;
    std::wstring value;
};

namespace {

using Root = RegistryGuard::Root;

struct Place {
    HKEY hive;
    const wchar_t* prefix;
    const wchar_t* shown;
};
// Machine-wide (HKEY_CLASSES_ROOT's own keys) and the current user's, which Windows
// merges over them; Wine 8 does not.
const Place kPlaces[] = {{HKEY_LOCAL_MACHINE, L"Software\\Classes\\", L"HKLM\\Software\\Classes\\"},
                         {HKEY_CURRENT_USER, L"Software\\Classes\\", L"HKCU\\Software\\Classes\\"}};
constexpr std::uint32_t kMachine = 0;
constexpr std::uint32_t kUser = 1;

// A client of the other bitness reads the other view. On 32-bit Windows both flags name
// the one view there is.
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// The value that marks a root as the cell's: the run that wrote it.
constexpr wchar_t kMarker[] = L"TessalyCellRun";

constexpr char kJournalHeader[] = "tessaly-cell registry 1";

std::wstring Full(const Root& root)
{
    return kPlaces[root.place].prefix + root.path;
}

std::wstring Shown(const Root& root)
{
    return kPlaces[root.place].shown + root.path + (root.view == KEY_WOW64_32KEY ? L" (32-bit view)" : L"");
}

Error RegistryError(const std::wstring& what, LONG status)
{
    return HresultError(what, HRESULT_FROM_WIN32(status));
}

// "CLSID\{..}\ProgID" is in "CLSID\{..}", "pcdlrn.application\CLSID" in the ProgID.
std::wstring RootOf(const std::wstring& path)
{
    std::size_t end = path.find(L'\\');
    const std::wstring first = path.substr(0, end);
    if (end != std::wstring::npos && (first == L"CLSID" || first == L"Interface" || first == L"TypeLib"))
        end = path.find(L'\\', end + 1);
    return path.substr(0, end);
}

UniqueKey Open(const Root& root, REGSAM access)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(kPlaces[root.place].hive, Full(root).c_str(), 0, access | root.view, &opened) != ERROR_SUCCESS)
        return nullptr;
    return UniqueKey(opened);
}

UniqueKey Create(HKEY parent, const std::wstring& path, REGSAM view)
{
    HKEY created = nullptr;
    const LONG status =
        RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS)
        throw RegistryError(L"creating the registry key " + path, status);
    return UniqueKey(created);
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, std::size_t size)
{
    const LONG status = RegSetValueExW(key, name, 0, type, data, static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS)
        throw RegistryError(std::wstring(L"writing the registry value ") + (name ? name : L"(default)"), status);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

Tree Read(HKEY key)
{
    Tree tree;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    const LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                                         &longestName, &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS)
        throw RegistryError(L"reading a registry key", status);
    std::vector<wchar_t> name(std::max(longestName, longestSubkey) + 1);
    for (DWORD i = 0; i < values; ++i) {
        Tree::Value value;
        value.data.resize(longestData);
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = longestData;
        const LONG got =
            RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &value.type, value.data.data(), &size);
        if (got != ERROR_SUCCESS)
            throw RegistryError(L"reading a registry value", got);
        value.name.assign(name.data(), nameLength);
        value.data.resize(size);
        tree.values.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        const LONG got = RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (got != ERROR_SUCCESS)
            throw RegistryError(L"reading a registry subkey", got);
        HKEY sub = nullptr;
        const std::wstring subName(name.data(), nameLength);
        const LONG opened = RegOpenKeyExW(key, subName.c_str(), 0, KEY_READ, &sub);
        if (opened != ERROR_SUCCESS)
            throw RegistryError(L"opening the registry subkey " + subName, opened);
        tree.subkeys.push_back(Read(UniqueKey(sub).get()));
        tree.subkeys.back().name = subName;
    }
    return tree;
}

void WriteTree(HKEY key, const Tree& tree, REGSAM view)
{
    for (const Tree::Value& value : tree.values)
        SetValue(key, value.name.c_str(), value.type, value.data.data(), value.data.size());
    for (const Tree& sub : tree.subkeys)
        WriteTree(Create(key, sub.name, view).get(), sub, view);
}

void Delete(const Root& root)
{
    if (UniqueKey key = Open(root, KEY_ALL_ACCESS)) {
        RegDeleteTreeW(key.get(), nullptr);
        key.reset();
        const LONG status = RegDeleteKeyExW(kPlaces[root.place].hive, Full(root).c_str(), root.view, 0);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            throw RegistryError(L"deleting the registry key " + Shown(root), status);
    }
}

std::optional<std::wstring> MarkerOf(HKEY key)
{
    wchar_t run[64] = L"";
    DWORD size = sizeof run - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, kMarker, nullptr, &type, reinterpret_cast<BYTE*>(run), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(run);
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Whether the tree, or the path above it, names one of the ids.
bool Names(const Tree& tree, const std::wstring& path, const std::vector<std::wstring>& ids)
{
    for (const std::wstring& id : ids) {
        if (Upper(path).find(Upper(id)) != std::wstring::npos)
            return true;
        for (const Tree::Value& value : tree.values)
            if (value.type == REG_SZ && value.data.size() >= sizeof(wchar_t) &&
                Upper(std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()),
                                   value.data.size() / sizeof(wchar_t) - 1)) == Upper(id))
                return true;
    }
    for (const Tree& sub : tree.subkeys)
        if (Names(sub, L"", ids))
            return true;
    return false;
}

// A run: "<process id>.<its creation time>", so that a reused process id is another.
std::wstring RunOf(DWORD id, HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    const auto time = (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return std::to_wstring(id) + L"." + std::to_wstring(time);
}

const std::wstring& ThisRun()
{
    static const std::wstring run = RunOf(GetCurrentProcessId(), GetCurrentProcess());
    return run;
}

DWORD ProcessOf(const std::wstring& run)
{
    return static_cast<DWORD>(std::wcstoul(run.c_str(), nullptr, 10));
}

bool Running(const std::wstring& run)
{
    const UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(run)));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT &&
           RunOf(ProcessOf(run), process.get()) == run;
}

// --- The journal: what a run found, saved before it changes anything -------------------

class Out {
public:
    void Number(std::uint32_t n) { bytes_.append(reinterpret_cast<const char*>(&n), sizeof n); }
    void Text(const std::wstring& text)
    {
        Number(static_cast<std::uint32_t>(text.size()));
        bytes_.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    }
    void Data(const std::vector<BYTE>& data)
    {
        Number(static_cast<std::uint32_t>(data.size()));
        bytes_.append(reinterpret_cast<const char*>(data.data()), data.size());
    }
    void Key(const Tree& tree)
    {
        Text(tree.name);
        Number(static_cast<std::uint32_t>(tree.values.size()));
        for (const Tree::Value& value : tree.values) {
            Text(value.name);
            Number(value.type);
            Data(value.data);
        }
        Number(static_cast<std::uint32_t>(tree.subkeys.size()));
        for (const Tree& sub : tree.subkeys)
            Key(sub);
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

class In {
public:
    explicit In(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t Number()
    {
        std::uint32_t n = 0;
        Take(&n, sizeof n);
        return n;
    }
    std::wstring Text()
    {
        std::wstring text(Count(sizeof(wchar_t)), L'\0');
        Take(text.data(), text.size() * sizeof(wchar_t));
        return text;
    }
    std::vector<BYTE> Data()
    {
        std::vector<BYTE> data(Count(1));
        Take(data.data(), data.size());
        return data;
    }
    Tree Key()
    {
        Tree tree;
        tree.name = Text();
        for (std::uint32_t n = Count(1); n > 0; --n) {
            Tree::Value value;
            value.name = Text();
            value.type = Number();
            value.data = Data();
            tree.values.push_back(std::move(value));
        }
        for (std::uint32_t n = Count(1); n > 0; --n)
            tree.subkeys.push_back(Key());
        return tree;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    // A count of items of at least `size` bytes each, that the rest can hold.
    std::uint32_t Count(std::size_t size)
    {
        const std::uint32_t n = Number();
        if (n > (bytes_.size() - at_) / size)
            throw Error("the saved registry is cut short");
        return n;
    }
    void Take(void* to, std::size_t size)
    {
        if (size > bytes_.size() - at_)
            throw Error("the saved registry is cut short");
        std::memcpy(to, bytes_.data() + at_, size);
        at_ += size;
    }

    std::string bytes_;
    std::size_t at_ = 0;
};

std::wstring JournalFolder()
{
    wchar_t folder[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::wstring ours = std::wstring(folder) + L"\\Tessaly";
        if (CreateDirectoryW(ours.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            return ours;
    }
    if (GetTempPathW(MAX_PATH, folder) == 0)
        throw LastWin32Error(L"GetTempPath");
    std::wstring temp = folder;
    if (!temp.empty() && temp.back() == L'\\')
        temp.pop_back();
    return temp;
}

constexpr wchar_t kJournalPrefix[] = L"tessaly-cell-registry-";

void SaveJournal(const std::wstring& path, const std::wstring& run, const std::vector<Root>& roots)
{
    Out out;
    out.Text(Widen(kJournalHeader));
    out.Text(run);
    out.Number(static_cast<std::uint32_t>(roots.size()));
    for (const Root& root : roots) {
        out.Number(root.place);
        out.Number(static_cast<std::uint32_t>(root.view));
        out.Text(root.path);
        out.Number(root.saved ? 1 : 0);
        if (root.saved)
            out.Key(*root.saved);
    }
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), out.bytes().data(), static_cast<DWORD>(out.bytes().size()), &written, nullptr) ||
        written != out.bytes().size() || !FlushFileBuffers(file.get()))
        throw LastWin32Error(L"saving the registry to " + path);
}

std::pair<std::wstring, std::vector<Root>> LoadJournal(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 30))
        throw LastWin32Error(L"reading " + path);
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        throw LastWin32Error(L"reading " + path);
    In in(std::move(bytes));
    if (in.Text() != Widen(kJournalHeader))
        throw Error(Narrow(path) + " is no saved registry of the cell's");
    std::pair<std::wstring, std::vector<Root>> journal;
    journal.first = in.Text();
    for (std::uint32_t n = in.Number(); n > 0; --n) {
        Root root;
        root.place = in.Number();
        root.view = in.Number();
        root.path = in.Text();
        if (root.place > kUser || (root.view != KEY_WOW64_64KEY && root.view != KEY_WOW64_32KEY))
            throw Error(Narrow(path) + " is damaged");
        if (in.Number() != 0)
            root.saved = in.Key();
        journal.second.push_back(std::move(root));
    }
    if (!in.AtEnd())
        throw Error(Narrow(path) + " is damaged");
    return journal;
}

// Takes back what `run` wrote under the roots and puts back what it saved, where nothing
// else has been registered since. Whether every saved root went back.
bool PutBackRoots(const std::vector<Root>& roots, const std::wstring& run) noexcept
{
    bool whole = true;
    for (const Root& root : roots) {
        try {
            if (UniqueKey key = Open(root, KEY_READ); key && MarkerOf(key.get()) == run) {
                key.reset();
                Delete(root);
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tessaly-cell: %s\n", e.what());
            whole = false;
        }
    }
    for (const Root& root : roots) {
        if (!root.saved || Open(root, KEY_READ))
            continue;
        try {
            WriteTree(Create(kPlaces[root.place].hive, Full(root), root.view).get(), *root.saved, root.view);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tessaly-cell: putting back %s: %s\n", Narrow(Shown(root)).c_str(), e.what());
            whole = false;
        }
    }
    return whole;
}

// The registries saved by cells that ended without putting them back, put back.
void PutBackAfterCrashes(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\" + kJournalPrefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> files;
    do
        files.push_back(folder + L"\\" + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& file : files) {
        try {
            const auto [run, roots] = LoadJournal(file);
            if (Running(run))
                continue;
            std::fprintf(stderr, "tessaly-cell: putting back the registry that the cell of process %lu left\n",
                         ProcessOf(run));
            if (PutBackRoots(roots, run))
                DeleteFileW(file.c_str());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tessaly-cell: %s\n", e.what());
        }
    }
}

// Machine-wide where the cell may write there, else for the current user.
std::uint32_t WritablePlace()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return kUser;
    RegCloseKey(key);
    return kMachine;
}

std::string Listed(const std::vector<std::wstring>& keys)
{
    std::wstring list;
    for (const std::wstring& key : keys)
        list += (list.empty() ? L"" : L", ") + key;
    return Narrow(list);
}

} // namespace

RegistryGuard::RegistryGuard(bool replaceForeign, std::vector<std::wstring> ownIds)
    : replaceForeign_(replaceForeign), ownIds_(std::move(ownIds))
{}

RegistryGuard::~RegistryGuard()
{
    PutBack();
}

void RegistryGuard::Set(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    writes_.push_back({path, name ? std::optional<std::wstring>(name) : std::nullopt, value});
    Clear(RootOf(path));
}

void RegistryGuard::Clear(const std::wstring& root)
{
    if (RootOf(root) != root)
        throw Error("the cell takes whole registrations, not " + Narrow(root));
    for (const std::wstring& known : roots_)
        if (Upper(known) == Upper(root))
            return;
    roots_.push_back(root);
}

void RegistryGuard::Apply()
{
    const std::wstring folder = JournalFolder();
    PutBackAfterCrashes(folder);

    std::vector<Root> found;
    std::vector<std::wstring> foreign;
    std::vector<std::wstring> running;
    for (const std::wstring& path : roots_) {
        for (std::uint32_t place : {kMachine, kUser}) {
            for (REGSAM view : kViews) {
                Root root{place, view, path, false, std::nullopt};
                if (UniqueKey key = Open(root, KEY_READ)) {
                    root.present = true;
                    const std::optional<std::wstring> run = MarkerOf(key.get());
                    if (run && Running(*run)) {
                        running.push_back(Shown(root) + L" (process " + std::to_wstring(ProcessOf(*run)) + L")");
                    } else if (!run) {
                        Tree tree = Read(key.get());
                        if (!Names(tree, path, ownIds_)) {
                            foreign.push_back(Shown(root));
                            tree.name = path;
                            root.saved = std::move(tree);
                        }
                    }
                }
                found.push_back(std::move(root));
            }
        }
    }
    if (!running.empty())
        throw Error("another simulated cell is running, registered under " + Listed(running));
    if (!foreign.empty() && !replaceForeign_)
        throw Error("another program is registered under " + Listed(foreign) +
                    "; left as it is (--replace-registration replaces it while the cell runs)");

    journal_ = folder + L"\\" + kJournalPrefix + ThisRun();
    SaveJournal(journal_, ThisRun(), found);
    taken_ = std::move(found);

    for (const Root& root : taken_)
        if (root.present)
            Delete(root);
    const std::uint32_t place = WritablePlace();
    const HKEY hive = kPlaces[place].hive;
    const std::wstring prefix = kPlaces[place].prefix;
    for (REGSAM view : kViews) {
        // Each root marked before anything is written under it.
        for (const Write& write : writes_) {
            const UniqueKey root = Create(hive, prefix + RootOf(write.path), view);
            if (!MarkerOf(root.get()))
                SetText(root.get(), kMarker, ThisRun());
        }
        for (const Write& write : writes_)
            SetText(Create(hive, prefix + write.path, view).get(), write.name ? write.name->c_str() : nullptr,
                    write.value);
    }
}

void RegistryGuard::PutBack() noexcept
{
    if (journal_.empty())
        return;
    if (PutBackRoots(taken_, ThisRun()))
        DeleteFileW(journal_.c_str());
    journal_.clear();
}

} // namespace tessaly::cell
