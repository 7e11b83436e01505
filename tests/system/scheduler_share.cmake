# The real Tickwarden with its repository on a share that stops answering
# (\\nas\backup, a host folder): a library of the test's own, preloaded into
# the Wine loaders of the test and the scheduler (the wineserver runs
# already, without it), holds every lookup under the share while the test
# raises a flag. Built for the host with the Wine's word size.
tw_host_preload(share_hang share_hang_preload.c system_scheduler_share)
set(share_host ${CMAKE_BINARY_DIR}/share-hang/backup)
tw_preloaded_scheduler_test(system_scheduler_share share_hang 600
  "TW_SHARE_HOST=${share_host};TW_HANG_FLAG=${CMAKE_BINARY_DIR}/share-hang/flag;TW_HANG_MATCH=/dosdevices/unc/nas/|/share-hang/backup")
if(TARGET system_scheduler_share)
  set_tests_properties(system_scheduler_share PROPERTIES FIXTURES_REQUIRED scheduler_share)
  set(share_sh ${CMAKE_CURRENT_LIST_DIR}/scheduler_share.sh)
  add_test(NAME scheduler_share_make COMMAND sh ${share_sh} make ${share_host} ${CMAKE_SOURCE_DIR}/build/wineprefix)
  add_test(NAME scheduler_share_remove COMMAND sh ${share_sh} remove ${share_host} ${CMAKE_SOURCE_DIR}/build/wineprefix)
  set_tests_properties(scheduler_share_make PROPERTIES FIXTURES_SETUP scheduler_share)
  set_tests_properties(scheduler_share_remove PROPERTIES FIXTURES_CLEANUP scheduler_share)
endif()
