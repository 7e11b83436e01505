# Warning and sanitizer options shared by every target.
function(tw_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

option(TW_SANITIZE "Build the native core with AddressSanitizer and UBSan" ON)
if(NOT WIN32 AND TW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
