# Cross-compiles the three programs as 32-bit x86 Windows executables: the
# build that ships, tested under wine32.
set(TW_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TW_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
