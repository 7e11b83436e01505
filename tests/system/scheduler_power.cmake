# The real Tickwarden on a laptop's power, under a full-screen program, and
# with a wake for a daily set: a library of the test's own, preloaded into the
# Wine loaders of the test and the scheduler (the wineserver runs already,
# without it), points /sys/class/power_supply, where Wine reads the battery
# on every GetSystemPowerStatus, at a folder the test writes. Built for the
# host with the Wine's word size.
tw_host_preload(power_supply power_supply_preload.c system_scheduler_power)
if(TARGET Tickwarden AND power_supply_lib)
  tw_gtest(system_scheduler_power SOURCES ${CMAKE_CURRENT_LIST_DIR}/scheduler_power_system_win32_test.cpp
           LIBS tw_database tw_test_support user32 TIMEOUT 900)
  target_include_directories(system_scheduler_power PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/support)
  add_dependencies(system_scheduler_power Tickwarden Tickwardenaide Cobaltine power_supply_preload)
  set_tests_properties(system_scheduler_power PROPERTIES
    ENVIRONMENT "LD_PRELOAD=${power_supply_lib};TW_POWER_SUPPLY=${CMAKE_BINARY_DIR}/power-supply/supplies")
endif()
