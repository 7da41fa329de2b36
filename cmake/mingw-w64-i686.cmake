# Cross-compile for 32-bit Windows with Debian's mingw-w64 g++ (posix thread model).
# The x86 tessaly.exe runs on every supported Windows, 32- or 64-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Floating point in SSE2, as the 64-bit and the native builds do it. On the x87 unit a
# double is held in 80 bits between operations, and since GCC 13 a comparison with a
# literal is made in that precision (-fexcess-precision=standard): the results, and which
# side of a threshold a value lands on, would depend on the compiler. Every CPU that runs
# Windows 7 SP1 with its updates has SSE2. GCC realigns the stack where SSE needs it
# (-mstackrealign is on by default for this target with SSE), so callbacks entered with
# Windows' 4-byte alignment are safe.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
