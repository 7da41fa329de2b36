#pragma once

#include <windows.h>

namespace tessaly::benchcom {

// Wall time since construction, from the performance counter.
class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Seconds() const
    {
        LARGE_INTEGER now{};
        LARGE_INTEGER frequency{};
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_{};
};

} // namespace tessaly::benchcom
