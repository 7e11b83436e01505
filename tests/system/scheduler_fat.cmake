# The real Tickwarden with ClientConfig.hdb on what behaves as FAT: a library of
# the test's own, preloaded into the Wine loaders of the test and the scheduler
# (tw_host_preload builds it), shows the file's time cut to two seconds, and
# while a flag file exists the directory entry's size lagging behind the open
# file's.
tw_host_preload(fat_time fat_time_preload.c system_scheduler_fat)
tw_preloaded_scheduler_test(system_scheduler_fat fat_time 600
  "TW_FAT_MATCH=/ClientConfig.hdb;TW_FAT_LAG=${CMAKE_BINARY_DIR}/fat_time/fat-lag")
