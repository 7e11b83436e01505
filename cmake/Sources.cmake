# Source selection by file name, so that adding a file needs no CMake edit:
#   *_win32.cpp, *_win32_test.cpp  only in the Windows build
#   *_posix.cpp, *_posix_test.cpp  only in the native build
#   *_main*.cpp                    program entry points, never in a library
#   anything else in both.
# tw_area_sources(out dir [PATTERN glob]): the files of dir matching glob
# (default *.cpp) that belong to this build.
function(tw_area_sources out dir)
  cmake_parse_arguments(A "" "PATTERN" "" ${ARGN})
  if(NOT A_PATTERN)
    set(A_PATTERN "*.cpp")
  endif()
  file(GLOB all CONFIGURE_DEPENDS ${dir}/${A_PATTERN})
  set(result "")
  foreach(f ${all})
    get_filename_component(n ${f} NAME)
    if(n MATCHES "_main")
      continue()
    endif()
    if(n MATCHES "_win32(_test)?\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    if(n MATCHES "_posix(_test)?\\.cpp$" AND WIN32)
      continue()
    endif()
    list(APPEND result ${f})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
