# Libraries of the tests' own that are preloaded into the Wine loader (never
# the wineserver) to make Wine behave as Windows does at one point: built for
# the host with the Wine's word size. A host without the 32-bit C library
# (gcc-multilib) cannot build them for the 32-bit Wine: the tests that need
# them are then left out, and the configure step says so.
find_program(TW_HOST_CC NAMES gcc cc)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TW_HOST_PRELOAD_BITS -m32)
else()
  set(TW_HOST_PRELOAD_BITS -m64)
endif()
set(probe_src ${CMAKE_SOURCE_DIR}/tests/support/share_hang_preload.c)
if(WIN32 AND TW_HOST_CC AND NOT DEFINED TW_HOST_CC_BUILDS_PRELOAD)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/preload)
  execute_process(COMMAND ${TW_HOST_CC} ${TW_HOST_PRELOAD_BITS} -shared -fPIC -o ${CMAKE_BINARY_DIR}/preload/probe.so
                          ${probe_src} -ldl
                  RESULT_VARIABLE probe_rc OUTPUT_QUIET ERROR_QUIET)
  if(probe_rc EQUAL 0)
    set(TW_HOST_CC_BUILDS_PRELOAD ON CACHE INTERNAL "")
  else()
    set(TW_HOST_CC_BUILDS_PRELOAD OFF CACHE INTERNAL "")
    message(STATUS "preloaded tests left out: ${TW_HOST_CC} ${TW_HOST_PRELOAD_BITS} cannot build a shared library")
  endif()
endif()

# tw_host_preload(NAME SOURCE): the library NAME.so from SOURCE, target NAME;
# its path in NAME_PATH.
function(tw_host_preload name source)
  set(lib ${CMAKE_BINARY_DIR}/preload/${name}.so)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/preload
    COMMAND ${TW_HOST_CC} ${TW_HOST_PRELOAD_BITS} -O2 -shared -fPIC -o ${lib} ${source} -ldl
    DEPENDS ${source} COMMENT "${name} (host, ${TW_HOST_PRELOAD_BITS})" VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${lib})
  set(${name}_PATH ${lib} PARENT_SCOPE)
endfunction()
