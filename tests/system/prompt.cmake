# The pre-backup prompt as a real dialog under Wine: a test program that carries
# Tickwarden's prompt dialog and pictures, and a small program that photographs
# the prompt for the documentation.
if(WIN32 AND TARGET tw_scheduler_core)
  tw_gtest(system_prompt SOURCES ${CMAKE_CURRENT_LIST_DIR}/pre_backup_prompt_win32_test.cpp
           ${CMAKE_CURRENT_LIST_DIR}/prompt_test.rc
           LIBS tw_scheduler_core LABELS system TIMEOUT 300)
  if(TARGET system_prompt)
    # The resource script names its pictures relative to resources/.
    target_include_directories(system_prompt PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_CURRENT_LIST_DIR})
  endif()
endif()

if(WIN32 AND TARGET tw_scheduler_core)
  add_executable(PromptScreenshots ${CMAKE_CURRENT_LIST_DIR}/prompt_screenshots_main_win32.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/prompt_test.rc)
  target_link_libraries(PromptScreenshots PRIVATE tw_scheduler_core)
  target_include_directories(PromptScreenshots PRIVATE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_CURRENT_LIST_DIR})
  tw_warnings(PromptScreenshots)
endif()

# The same tests, and the photographs, on a 256-colour display: an X display of
# its own at 8 bits per pixel and a prefix of its own.
if(TARGET system_prompt AND TARGET PromptScreenshots)
  add_test(NAME system_prompt_palette
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/pre_backup_prompt_palette.sh $<TARGET_FILE_DIR:system_prompt>
            ${CMAKE_BINARY_DIR}/palette)
  set_tests_properties(system_prompt_palette PROPERTIES LABELS system TIMEOUT 300)
endif()
