# The real Tickwarden with its repository on a share that stops answering
# (\\nas\backup, a host folder): a library of the test's own, preloaded into
# the Wine loaders of the test and the scheduler (the wineserver runs
# already, without it), holds every lookup under the share while the test
# raises a flag (host_preload.cmake builds it).
if(WIN32 AND TARGET Tickwarden AND TW_HOST_CC_BUILDS_PRELOAD)
  tw_host_preload(share_hang_preload ${CMAKE_SOURCE_DIR}/tests/support/share_hang_preload.c)
  set(hang_lib ${share_hang_preload_PATH})

  tw_gtest(system_scheduler_share SOURCES ${CMAKE_CURRENT_LIST_DIR}/scheduler_share_system_win32_test.cpp
           LIBS tw_database tw_test_support user32 TIMEOUT 600)
  target_include_directories(system_scheduler_share PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(system_scheduler_share Tickwarden Tickwardenaide Cobaltine share_hang_preload)
  set(share_host ${CMAKE_BINARY_DIR}/share-hang/backup)
  set_tests_properties(system_scheduler_share PROPERTIES
    ENVIRONMENT "LD_PRELOAD=${hang_lib};TW_SHARE_HOST=${share_host};TW_HANG_FLAG=${CMAKE_BINARY_DIR}/share-hang/flag;TW_HANG_MATCH=/dosdevices/unc/nas/|/share-hang/backup"
    FIXTURES_REQUIRED scheduler_share)
  set(share_sh ${CMAKE_CURRENT_LIST_DIR}/scheduler_share.sh)
  add_test(NAME scheduler_share_make COMMAND sh ${share_sh} make ${share_host} ${CMAKE_SOURCE_DIR}/build/wineprefix)
  add_test(NAME scheduler_share_remove COMMAND sh ${share_sh} remove ${share_host} ${CMAKE_SOURCE_DIR}/build/wineprefix)
  set_tests_properties(scheduler_share_make PROPERTIES FIXTURES_SETUP scheduler_share)
  set_tests_properties(scheduler_share_remove PROPERTIES FIXTURES_CLEANUP scheduler_share)
endif()
