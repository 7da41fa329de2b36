# Cross-compile for 32-bit Windows with Debian's mingw-w64 g++ (posix thread model).
# The x86 tessaly.exe runs on every supported Windows, 32- or 64-bit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
