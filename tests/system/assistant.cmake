# Tickwardenaide driven end to end under Wine: the real assistant with the
# stand-in main program and a scheduler (the real Tickwarden.exe when it has
# been built into bin, otherwise a stand-in) in a throw-away install folder.
if(WIN32 AND TARGET Tickwardenaide AND TARGET Cobaltine)
  add_executable(TickwardenStandIn WIN32 ${CMAKE_SOURCE_DIR}/tests/fakes/tickwarden_standin_main_win32.cpp)
  target_link_libraries(TickwardenStandIn PRIVATE user32)
  tw_warnings(TickwardenStandIn)

  tw_gtest(system_assistant SOURCES ${CMAKE_CURRENT_LIST_DIR}/assistant_system_win32_test.cpp
           LIBS tw_common version LABELS system)
  if(TARGET system_assistant)
    target_include_directories(system_assistant PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_dependencies(system_assistant Tickwardenaide Cobaltine TickwardenStandIn)
    if(TARGET Tickwarden)
      add_dependencies(system_assistant Tickwarden)
    endif()
  endif()
endif()

# The launch tests of unit_common run the stand-in main program beside them.
if(WIN32 AND TARGET unit_common AND TARGET Cobaltine)
  add_dependencies(unit_common Cobaltine)
endif()
