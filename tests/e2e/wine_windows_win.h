#pragma once

// Under Wine without a window manager, every destroyed window that Wine hands to a window
// manager costs a 2 s wait for a "withdrawn" state that never comes; a message box is such
// a window. For the programs under test, Wine is told to manage their windows itself
// (AppDefaults\<exe>\X11 Driver, Managed=N), for as long as this object lives. The
// programs themselves are unchanged; on Windows this does nothing.

#include <string>
#include <vector>

namespace tessaly::e2e {

class UnmanagedWindows {
public:
    explicit UnmanagedWindows(std::vector<std::wstring> programs);
    // Removes the settings it made; settings that were there before stay.
    ~UnmanagedWindows();
    UnmanagedWindows(const UnmanagedWindows&) = delete;
    UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

private:
    std::vector<std::wstring> made_;
};

bool RunningUnderWine();

} // namespace tessaly::e2e
