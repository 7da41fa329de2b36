// A program that imports a function Windows 7 SP1 lacks (kernel32 has it from Windows 8
// on), for the test that the import check refuses it. The headers declare it only for
// _WIN32_WINNT 0x0602 and later, so it is declared here.
#include <windows.h>

extern "C" __declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(FILETIME* time);

int main()
{
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<int>(now.dwLowDateTime & 1);
}
