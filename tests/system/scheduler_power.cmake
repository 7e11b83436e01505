# The real Tickwarden on a laptop's power, under a full-screen program, and
# with a wake for a daily set: a library of the test's own, preloaded into the
# Wine loaders of the test and the scheduler (the wineserver runs already,
# without it), points /sys/class/power_supply, where Wine reads the battery
# on every GetSystemPowerStatus, at a folder the test writes. Built for the
# host with the Wine's word size.
tw_host_preload(power_supply power_supply_preload.c system_scheduler_power)
tw_preloaded_scheduler_test(system_scheduler_power power_supply 900
  "TW_POWER_SUPPLY=${CMAKE_BINARY_DIR}/power-supply/supplies")
