# What both mingw-w64 toolchain files share; each sets TW_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and TW_WINE_BITS first. The -win32 flavour of
# mingw-w64 keeps winpthread out of the import list.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${TW_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TW_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER  ${TW_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every test binary runs under the Wine loader of its bitness, in the build
# tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${TW_WINE_BITS})
