# The real Tickwarden.exe under Wine: single instance, shut-down, log-off,
# scheduled launches through each route, tray commands.
tw_gtest(system_scheduler SOURCES ${CMAKE_CURRENT_LIST_DIR}/scheduler_system_win32_test.cpp
         LIBS tw_database tw_test_support user32 TIMEOUT 900)
target_include_directories(system_scheduler PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
add_dependencies(system_scheduler Tickwarden Tickwardenaide Cobaltine)
set_property(TEST system_scheduler APPEND PROPERTY LABELS matrix)
