// Program entry of tessaly.exe. There is no main routine of its own: start-up
// creates Form1, whose load handler does the work, and the message loop runs until the
// window is gone. No command line, no environment, no settings are read.

#include <windows.h>

#include "cad/com_binding.h"
#include "com/com.h"
#include "dmis/com_binding.h"
#include "shell/dpi_win.h"
#include "win32/trace.h"
#include "shell/form1_win.h"
#include "shell/locale_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    tessaly::EnableDpiAwareness();
    // One single-threaded apartment for the program's one thread, which makes every
    // automation call: the proxies of both applications' objects belong to this
    // apartment, and no other thread may call through them. Declared first, so it is
    // torn down last: the window has let go of every reference before CoUninitialize
    // runs. If the init fails the links fail and say so in Label2; the window opens all
    // the same.
    tessaly::com::Apartment apartment(COINIT_APARTMENTTHREADED);
    try {
        // The window and both bindings read numbers with the user's decimal separator.
        const wchar_t separator = tessaly::UserDecimalSeparator();
        const auto dmisConnector = tessaly::dmis::MakeComConnector(separator);
        const auto cadConnector = tessaly::cad::MakeComConnector(separator);
        tessaly::Form1 form(*dmisConnector, *cadConnector, separator);
        form.Show(showCommand);
        return form.RunMessageLoop();
    } catch (const std::exception& e) {
        // Only the window's creation can get here (handlers catch their own failures).
        tessaly::Trace("the window could not be created", e.what());
        return 1;
    }
}
