# The real Tickwarden with ClientConfig.hdb on what behaves as FAT: a library of
# the test's own, preloaded into the Wine loaders of the test and the scheduler
# (tw_host_preload builds it), shows the file's time cut to two seconds, and
# while a flag file exists the directory entry's size lagging behind the open
# file's.
tw_host_preload(fat_time fat_time_preload.c system_scheduler_fat)
if(TARGET Tickwarden AND fat_time_lib)
  tw_gtest(system_scheduler_fat SOURCES ${CMAKE_CURRENT_LIST_DIR}/scheduler_fat_system_win32_test.cpp
           LIBS tw_database tw_test_support user32 TIMEOUT 600)
  target_include_directories(system_scheduler_fat PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(system_scheduler_fat Tickwarden Tickwardenaide Cobaltine fat_time_preload)
  set_tests_properties(system_scheduler_fat PROPERTIES
    ENVIRONMENT "LD_PRELOAD=${fat_time_lib};TW_FAT_MATCH=/ClientConfig.hdb;TW_FAT_LAG=${CMAKE_BINARY_DIR}/fat_time/fat-lag")
endif()
