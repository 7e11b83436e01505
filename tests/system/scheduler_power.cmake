# The real Tickwarden on a laptop's power, under a full-screen program, and
# with a wake for a daily set: a library of the test's own, preloaded into the
# Wine loaders of the test and the scheduler (the wineserver runs already,
# without it), points /sys/class/power_supply, where Wine reads the battery
# on every GetSystemPowerStatus, at a folder the test writes. Built for the
# host with the Wine's word size.
find_program(TW_HOST_CC NAMES gcc cc)
set(power_lib ${CMAKE_BINARY_DIR}/power-supply/power_supply_preload.so)
set(power_src ${CMAKE_SOURCE_DIR}/tests/support/power_supply_preload.c)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(power_bits -m32)
else()
  set(power_bits -m64)
endif()
# A host without the 32-bit C library (gcc-multilib) cannot build it for the
# 32-bit Wine: the test is then left out, and the configure step says so.
if(WIN32 AND TW_HOST_CC AND NOT DEFINED TW_HOST_CC_BUILDS_POWER_PRELOAD)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/power-supply)
  execute_process(COMMAND ${TW_HOST_CC} ${power_bits} -shared -fPIC -o ${power_lib}.probe ${power_src} -ldl
                  RESULT_VARIABLE probe_rc OUTPUT_QUIET ERROR_QUIET)
  if(probe_rc EQUAL 0)
    set(TW_HOST_CC_BUILDS_POWER_PRELOAD ON CACHE INTERNAL "")
  else()
    set(TW_HOST_CC_BUILDS_POWER_PRELOAD OFF CACHE INTERNAL "")
    message(STATUS "system_scheduler_power left out: ${TW_HOST_CC} ${power_bits} cannot build a shared library")
  endif()
endif()
if(WIN32 AND TARGET Tickwarden AND TW_HOST_CC_BUILDS_POWER_PRELOAD)
  add_custom_command(OUTPUT ${power_lib}
    COMMAND ${TW_HOST_CC} ${power_bits} -O2 -shared -fPIC -o ${power_lib} ${power_src} -ldl
    DEPENDS ${power_src} COMMENT "power-supply library (host, ${power_bits})" VERBATIM)
  add_custom_target(power_supply_preload ALL DEPENDS ${power_lib})

  tw_gtest(system_scheduler_power SOURCES ${CMAKE_CURRENT_LIST_DIR}/scheduler_power_system_win32_test.cpp
           LIBS tw_database tw_test_support user32 TIMEOUT 900)
  target_include_directories(system_scheduler_power PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(system_scheduler_power Tickwarden Tickwardenaide Cobaltine power_supply_preload)
  set_tests_properties(system_scheduler_power PROPERTIES
    ENVIRONMENT "LD_PRELOAD=${power_lib};TW_POWER_SUPPLY=${CMAKE_BINARY_DIR}/power-supply/supplies")
endif()
