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
