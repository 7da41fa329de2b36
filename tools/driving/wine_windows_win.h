#pragma once

// Under Wine without a window manager, every destroyed window that Wine hands to a window
// manager costs a 2 s wait for a "withdrawn" state that never comes; a message box is such
// a window. For the programs under test, Wine is told to manage their windows itself
// (AppDefaults\<exe>\X11 Driver, Managed=N), for as long as this object lives. The
// programs themselves are unchanged; on Windows this does nothing.

#include <string>
#include <vector>

namespace tessaly::driving {

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

// Wine starts its desktop process (explorer.exe) for the first program that asks for the
// desktop, and that process inherits the program's inheritable handles. Asked for here
// first, it holds none of the pipes to the programs under test.
void StartDesktop();

} // namespace tessaly::driving
