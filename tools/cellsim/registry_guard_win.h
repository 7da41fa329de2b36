#pragma once

// The classes registry as the simulated cell finds it, kept whole. The cell's keys are
// taken as whole registrations, "roots": a ProgID, CLSID\{..}, Interface\{..},
// TypeLib\{..}. Before anything is written, every root the cell writes or clears is
// looked at, machine-wide and for the current user, in both registry views:
//   - nothing there, or a leftover of a cell that ended without taking its keys back
//     (each root the cell writes carries a value naming its run): the cell's to use;
//   - another cell still running: refused;
//   - anything else is another program's (a real application's): refused, or with
//     `replaceForeign` saved to a file first and put back exactly when the guard goes.
// A saved file whose cell is gone (killed) is put back by the next guard.

#include <string>
#include <vector>

namespace tessaly::cell {

class RegistryGuard {
public:
    // `ownIds`: GUIDs (as "{...}") that only the cell uses: an unmarked root naming one
    // was written by a cell that did not mark its keys yet.
    RegistryGuard(bool replaceForeign, std::vector<std::wstring> ownIds);
    ~RegistryGuard();
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;

    // Planned, not yet written: a REG_SZ value (`name` null: the key's default value)
    // and a root that is to be absent while the cell runs.
    void Set(const std::wstring& path, const wchar_t* name, const std::wstring& value);
    void Clear(const std::wstring& root);
    // Looks at every root planned, refuses (tessaly::Error naming the keys) or saves what
    // is there, then writes the plan.
    void Apply();

    struct Root;
    struct Write;

private:
    void PutBack() noexcept;

    bool replaceForeign_;
    std::vector<std::wstring> ownIds_;
    std::vector<Write> writes_;
    std::vector<std::wstring> roots_;
    std::vector<Root> taken_;
    std::wstring journal_;
};

} // namespace tessaly::cell
