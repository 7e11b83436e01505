# Purgewell end to end: the real uninstaller removes a complete installation
# laid out in the test prefix (files, repository on a drive of its own,
# shortcuts, registry, service, running programs) and then itself.
if(WIN32 AND TARGET Purgewell)
  tw_gtest(purgewell_system
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/purgewell_system_win32_test.cpp
    LIBS tw_test_support user32 shell32 advapi32
    TIMEOUT 900)
  if(TARGET purgewell_system)
    add_dependencies(purgewell_system Purgewell Cobaltine)
    # It closes every window of the product's classes and rewrites machine-wide
    # registry keys: nothing else may run beside it in a shared prefix.
    set_tests_properties(purgewell_system PROPERTIES RUN_SERIAL TRUE)
  endif()
endif()
