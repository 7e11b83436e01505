# Warning and sanitizer options shared by every target.
function(tw_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

option(TW_SANITIZE "Build the native core with AddressSanitizer and UBSan" ON)
# The Windows programs use neither C++ exceptions nor unwinding: no tables.
if(WIN32)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> -fno-asynchronous-unwind-tables)
endif()

if(NOT WIN32 AND TW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# tw_program(target): what every shipped Windows program gets: its own
# allocation and terminate hooks, linked in directly (a library member would
# come too late in the link to replace the runtime's).
function(tw_program target)
  if(WIN32)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/common/runtime/program_runtime_win32.cpp)
  endif()
endfunction()

# The x86_64 build is there to keep the code 64-bit clean: any warning fails it.
option(TW_WERROR "Treat warnings as errors" OFF)
if(TW_WERROR)
  add_compile_options(-Werror)
endif()
