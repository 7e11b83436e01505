# Source selection by file name, so that adding a file needs no CMake edit:
#   *_win32.cpp  only in the Windows build
#   *_posix.cpp  only in the native build
#   *_main*.cpp  program entry points, never in a library
#   anything else in both.
function(tw_area_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(result "")
  foreach(f ${all})
    get_filename_component(n ${f} NAME)
    if(n MATCHES "_main")
      continue()
    endif()
    if(n MATCHES "_win32\\.cpp$" AND NOT WIN32)
      continue()
    endif()
    if(n MATCHES "_posix\\.cpp$" AND WIN32)
      continue()
    endif()
    list(APPEND result ${f})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
