# The real Tickwarden.exe under Wine: single instance, shut-down, log-off,
# scheduled launches through each route, tray commands; and, apart from the
# version matrix (nothing in it branches on the version), the situations that
# used to break the running scheduler and its held and missed daily runs.
foreach(t system_scheduler system_scheduler_runs)
  if(t STREQUAL system_scheduler)
    set(src ${CMAKE_CURRENT_LIST_DIR}/scheduler_system_win32_test.cpp)
  else()
    set(src ${CMAKE_CURRENT_LIST_DIR}/scheduler_runs_system_win32_test.cpp)
  endif()
  tw_gtest(${t} SOURCES ${src} LIBS tw_database tw_test_support user32 TIMEOUT 900)
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(${t} Tickwarden Tickwardenaide Cobaltine)
endforeach()
set_property(TEST system_scheduler APPEND PROPERTY LABELS matrix)

# Several users logged on at once: prefixes of their own (each a session, with
# its own wineserver and display) run the one installed scheduler on one
# repository; an every-minute set must launch once a minute in all.
if(TARGET hdbtool)
  add_test(NAME system_scheduler_sessions
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scheduler_sessions.sh $<TARGET_FILE_DIR:Tickwarden> ${CMAKE_BINARY_DIR}/sessions 2 3)
  set_tests_properties(system_scheduler_sessions PROPERTIES TIMEOUT 900)
endif()

# The code-page lane of scripts/test.sh runs them again with names of the
# user's code page in the installation folder, the repository (named by
# RepositoryConfig.txt) and every set: code page 932, where 表 ソ 能 end in
# '\' (LC_ALL=ja_JP.UTF-8; all but the two-and-a-half-minute pause), and one
# case in code page 1252 with accented names.
add_test(NAME codepage932_scheduler COMMAND system_scheduler --gtest_color=no)
add_test(NAME codepage932_scheduler_runs COMMAND system_scheduler_runs --gtest_color=no --gtest_filter=-*Paused*)
add_test(NAME codepage1252_scheduler_runs COMMAND system_scheduler_runs --gtest_color=no --gtest_filter=*AMissedRun*)
set_tests_properties(codepage932_scheduler codepage932_scheduler_runs PROPERTIES LABELS codepage TIMEOUT 900
                     ENVIRONMENT "LC_ALL=ja_JP.UTF-8;TW_TEST_CODE_PAGE=932")
set_tests_properties(codepage1252_scheduler_runs PROPERTIES LABELS codepage TIMEOUT 300
                     ENVIRONMENT "LC_ALL=C.UTF-8;TW_TEST_CODE_PAGE=1252")
