# The real Tickwarden with its repository on a share that stops answering
# (\\nas\backup, a host folder): a library of the test's own, preloaded into
# the Wine loaders of the test and the scheduler (the wineserver runs
# already, without it), holds every lookup under the share while the test
# raises a flag. Built for the host with the Wine's word size.
find_program(TW_HOST_CC NAMES gcc cc)
set(hang_lib ${CMAKE_BINARY_DIR}/share-hang/share_hang_preload.so)
set(hang_src ${CMAKE_SOURCE_DIR}/tests/support/share_hang_preload.c)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(hang_bits -m32)
else()
  set(hang_bits -m64)
endif()
# A host without the 32-bit C library (gcc-multilib) cannot build it for the
# 32-bit Wine: the test is then left out, and the configure step says so.
if(WIN32 AND TW_HOST_CC AND NOT DEFINED TW_HOST_CC_BUILDS_PRELOAD)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/share-hang)
  execute_process(COMMAND ${TW_HOST_CC} ${hang_bits} -shared -fPIC -o ${hang_lib}.probe ${hang_src} -ldl
                  RESULT_VARIABLE probe_rc OUTPUT_QUIET ERROR_QUIET)
  if(probe_rc EQUAL 0)
    set(TW_HOST_CC_BUILDS_PRELOAD ON CACHE INTERNAL "")
  else()
    set(TW_HOST_CC_BUILDS_PRELOAD OFF CACHE INTERNAL "")
    message(STATUS "system_scheduler_share left out: ${TW_HOST_CC} ${hang_bits} cannot build a shared library")
  endif()
endif()
if(WIN32 AND TARGET Tickwarden AND TW_HOST_CC_BUILDS_PRELOAD)
  add_custom_command(OUTPUT ${hang_lib}
    COMMAND ${TW_HOST_CC} ${hang_bits} -O2 -shared -fPIC -o ${hang_lib} ${hang_src} -ldl
    DEPENDS ${hang_src} COMMENT "share-hang library (host, ${hang_bits})" VERBATIM)
  add_custom_target(share_hang_preload ALL DEPENDS ${hang_lib})

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
