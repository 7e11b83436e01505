# Purgewell end to end: the real uninstaller removes a complete installation
# laid out in the test prefix (files, repository on a drive of its own,
# shortcuts, registry, service, running programs) and then itself; other
# spellings of system folders (links, an alias drive) must not get past its
# guards, while a repository merely reached through them goes as usual.
if(WIN32 AND TARGET Purgewell)
  tw_gtest(purgewell_system
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/purgewell_system_win32_test.cpp
    LIBS tw_test_support user32 shell32 advapi32
    TIMEOUT 900)
  if(TARGET purgewell_system)
    add_dependencies(purgewell_system Purgewell Cobaltine TickwardenStandIn hdbtool)
    target_include_directories(purgewell_system PRIVATE ${CMAKE_SOURCE_DIR}/src)
    # The one case whose outcome depends on the Windows version runs as a test
    # of its own, so that the version matrix can take it alone; the cases of
    # an empty drive and of another session run under their own drivers below.
    set(branches PurgewellSystem.TakesTheBranchesOfThePlatformFamily)
    set(media PurgewellSystem.ARepositoryOnAnEmptyDriveIsKeptAndNoDiskIsAskedFor)
    set(sessions PurgewellSystem.AnotherSessionsProgramsEndOrGoAtTheNextRestart)
    add_test(NAME purgewell_branches COMMAND purgewell_system --gtest_color=no --gtest_filter=${branches})
    set_tests_properties(purgewell_system PROPERTIES ENVIRONMENT "GTEST_FILTER=-${branches}:${media}:${sessions}")
    # It closes every window of the product's classes and rewrites machine-wide
    # registry keys: nothing else may run beside it in a shared prefix.
    set_tests_properties(purgewell_system PROPERTIES RUN_SERIAL TRUE FIXTURES_REQUIRED purgewell_links)
    set_tests_properties(purgewell_branches PROPERTIES RUN_SERIAL TRUE TIMEOUT 300 LABELS matrix)
    # Again in the code-page lane of scripts/test.sh, installed in and removing
    # folders named in code page 932 (Cobaltine 一覧表, バックアップ\代表).
    add_test(NAME codepage932_purgewell COMMAND purgewell_system --gtest_color=no)
    set_tests_properties(codepage932_purgewell PROPERTIES LABELS codepage RUN_SERIAL TRUE TIMEOUT 900
      FIXTURES_REQUIRED purgewell_links
      ENVIRONMENT "LC_ALL=ja_JP.UTF-8;TW_TEST_CODE_PAGE=932;GTEST_FILTER=-${branches}:${media}:${sessions}")
    # Links and a drive letter to system folders, made from the host side.
    set(links ${CMAKE_CURRENT_LIST_DIR}/purgewell_links.sh)
    add_test(NAME purgewell_links_make COMMAND sh ${links} make ${CMAKE_SOURCE_DIR}/build/wineprefix)
    add_test(NAME purgewell_links_remove COMMAND sh ${links} remove ${CMAKE_SOURCE_DIR}/build/wineprefix)
    set_tests_properties(purgewell_links_make PROPERTIES FIXTURES_SETUP purgewell_links)
    set_tests_properties(purgewell_links_remove PROPERTIES FIXTURES_CLEANUP purgewell_links)

    # A repository on a drive without a disk, with Wine's relay trace of the
    # programs in a file of the case's own.
    add_test(NAME purgewell_media COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/purgewell_media.sh
             $<TARGET_FILE:purgewell_system> ${CMAKE_BINARY_DIR}/purgewell-media/relay.log ${media})
    set_tests_properties(purgewell_media PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)

    # Another user's session: a second prefix runs the installation while this
    # one's wineserver, with a library of the test's own preloaded, refuses
    # to delete a file another process holds, as Windows does for a running
    # program.
    if(TARGET Tickwarden AND TARGET Tickwardenaide AND TARGET winpoke)
      tw_host_preload(running_file running_file_preload.c purgewell_sessions)
    endif()
    if(running_file_lib)
      add_dependencies(purgewell_system running_file_preload Tickwarden Tickwardenaide winpoke)
      add_test(NAME purgewell_sessions COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/purgewell_sessions.sh
               $<TARGET_FILE_DIR:Purgewell> ${CMAKE_BINARY_DIR}/purgewell-sessions ${running_file_lib})
      set_tests_properties(purgewell_sessions PROPERTIES TIMEOUT 900)
    endif()
  endif()
endif()
