// The simulated cell on a PC where the real applications are registered: their keys are
// left as they were, or replaced only while the cell runs, even by a cell that was killed.
// The cells here register no class object and no running object (--no-dmis --no-cad),
// which Wine would keep after a kill and the next cell could not be reached.

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "base/convert.h"
#include "driving/child_process_win.h"
#include "driving/simulated_cell_win.h"
#include "win32/handles.h"

namespace tessaly::e2e {
namespace {

using namespace driving;

constexpr wchar_t kApplicationInterface[] = L"Interface\\{DBFA4CA8-C490-11D3-91B5-00C04F796327}";
const std::wstring kForeignRoots[] = {L"pcdlrn.application", L"AutoCAD.Application.15", kApplicationInterface};
constexpr wchar_t kCellOptions[] = L"--no-dmis --no-cad";
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// Every key and value under the roots, in both views, as "view|path" -> (name, type, data).
using Values = std::vector<std::tuple<std::wstring, DWORD, std::vector<BYTE>>>;
using Keys = std::map<std::wstring, Values>;

void Read(HKEY key, const std::wstring& path, Keys& keys)
{
    Values& values = keys[path];
    wchar_t name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256, size = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values.emplace_back(name, type, std::vector<BYTE>(data, data + size));
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        HKEY sub = nullptr;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            break;
        Read(UniqueKey(sub).get(), path + L"\\" + name, keys);
    }
}

Keys Registered()
{
    Keys keys;
    for (REGSAM view : kViews)
        for (const std::wstring& root : kForeignRoots) {
            HKEY key = nullptr;
            const std::wstring path = L"Software\\Classes\\" + root;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS)
                Read(UniqueKey(key).get(), std::to_wstring(view) + L"|" + root, keys);
        }
    return keys;
}

void Set(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size, REGSAM view)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), 0, nullptr, 0,
                              KEY_WRITE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(UniqueKey(key).get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void SetText(const std::wstring& path, const wchar_t* name, const std::wstring& text, REGSAM view)
{
    Set(path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
}

// The real applications' registrations, as an installer of each would leave them in
// both views (values of every kind, a subkey, an empty value); gone when this goes.
class RealApplications : public ::testing::Test {
protected:
    void SetUp() override
    {
        Remove();
        for (REGSAM view : kViews) {
            const std::wstring bits = view == KEY_WOW64_64KEY ? L"64" : L"32";
            SetText(L"pcdlrn.application", nullptr, L"PC-DMIS Application " + bits, view);
            SetText(L"pcdlrn.application\\CLSID", nullptr, L"{1B9C5C3E-0000-4000-8000-00000000C0DE}", view);
            const DWORD flags = 0x2A;
            Set(L"pcdlrn.application", L"Flags", REG_DWORD, &flags, sizeof flags, view);
            const BYTE bytes[] = {0, 1, 2, 0xFE};
            Set(L"AutoCAD.Application.15", L"Blob", REG_BINARY, bytes, sizeof bytes, view);
            const wchar_t multi[] = L"one\0two\0";
            Set(L"AutoCAD.Application.15\\CLSID", nullptr, REG_MULTI_SZ, multi, sizeof multi, view);
            Set(L"AutoCAD.Application.15\\CurVer", L"Empty", REG_SZ, nullptr, 0, view);
            SetText(kApplicationInterface, nullptr, L"IApplication", view);
            SetText(std::wstring(kApplicationInterface) + L"\\ProxyStubClsid32", nullptr,
                    L"{00020424-0000-0000-C000-000000000046}", view);
        }
        installed_ = Registered();
        ASSERT_EQ(installed_.size(), 14u);
    }
    void TearDown() override { Remove(); }

    static void Remove()
    {
        for (REGSAM view : kViews)
            for (const std::wstring& root : kForeignRoots) {
                const std::wstring path = L"Software\\Classes\\" + root;
                HKEY key = nullptr;
                if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS)
                    RegDeleteTreeW(UniqueKey(key).get(), nullptr);
                RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
            }
    }

    Keys installed_;
};

TEST_F(RealApplications, CellRefusesToStartAndNamesTheirKeys)
{
    ChildProcess cell(SimulatedCell::Program(), kCellOptions, ChildProcess::Pipes::StandardStreams);
    EXPECT_NE(cell.WaitForExit(), 0u);
    for (const std::wstring& root : kForeignRoots)
        EXPECT_NE(cell.Output().find(Narrow(L"HKLM\\Software\\Classes\\" + root)), std::string::npos) << cell.Output();
    EXPECT_EQ(Registered(), installed_);
}

// Replaced while the cell runs, put back exactly when it quits, and when it is killed, by
// the next cell, which then refuses as the first would have.
TEST_F(RealApplications, ReplacedWhileTheCellRunsAndPutBackAfterQuitOrKill)
{
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed" : "quit");
        ChildProcess cell(SimulatedCell::Program(), std::wstring(kCellOptions) + L" --replace-registration",
                          ChildProcess::Pipes::StandardStreams);
        cell.WaitForLine("ready", 0);
        const Keys running = Registered();
        EXPECT_EQ(running.count(L"256|pcdlrn.application"), 0u) << "the measuring application is not installed";
        EXPECT_NE(running.at(L"256|AutoCAD.Application.15\\CLSID"),
                  installed_.at(L"256|AutoCAD.Application.15\\CLSID"));
        if (killed) {
            cell.Terminate();
            ChildProcess next(SimulatedCell::Program(), kCellOptions, ChildProcess::Pipes::StandardStreams);
            EXPECT_NE(next.WaitForExit(), 0u);
        } else {
            cell.Send("quit");
            EXPECT_EQ(cell.WaitForExit(), 0u);
        }
        EXPECT_EQ(Registered(), installed_);
    }
}

// A cell killed leaves its own keys; the next takes them back, from what the first saved
// or, where that is gone, from the keys' mark.
TEST(CellRegistration, LeftoverOfAKilledCellIsTakenBackAtTheNextStart)
{
    for (const bool saved : {true, false}) {
        SCOPED_TRACE(saved ? "saved kept" : "saved gone");
        {
            ChildProcess killed(SimulatedCell::Program(), kCellOptions, ChildProcess::Pipes::StandardStreams);
            killed.WaitForLine("ready", 0);
            killed.Terminate();
        }
        ASSERT_FALSE(Registered().empty());
        if (!saved) {
            wchar_t folder[MAX_PATH] = L"";
            GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
            for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(folder) / "Tessaly"))
                if (file.path().filename().wstring().rfind(L"tessaly-cell-registry-", 0) == 0)
                    std::filesystem::remove(file.path());
        }
        SimulatedCell next(kCellOptions);
        EXPECT_EQ(next.Quit(), 0u);
        EXPECT_TRUE(Registered().empty());
    }
}

} // namespace
} // namespace tessaly::e2e
