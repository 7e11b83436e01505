# The same sources as x86_64 Windows executables. Nothing ships from this build:
# it keeps the code 64-bit clean (built with warnings as errors on every host),
# and on hosts that cannot execute 32-bit x86 code it is the build the Windows
# tests run under wine64.
set(TW_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TW_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
