// Tickwarden as a whole: a throw-away installation (Tickwarden.exe, the
// stand-in main program, RepositoryConfig.txt, a ClientConfig.hdb built for
// the test) is started under Wine and driven by window messages; the stand-in
// main program's log and the test's own windows show what reached them.
#include "scheduler_fixture_win32.h"

namespace {

using namespace schedtest;

// Minutes of the local clock, counted from an arbitrary start.
ULONGLONG MinuteNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 600000000ULL;
}

TEST_F(SchedulerTest, ExitMessageEndsTheProcessAndClosesTheAssistant) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  PostMessageA(w, 1026, 0, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
  EXPECT_EQ(nullptr, FindWindowA(kSchedulerClass, nullptr));
}

TEST_F(SchedulerTest, CloseMessageEndsTheProcessAndClosesTheAssistant) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
}

TEST_F(SchedulerTest, LogOffIsAllowedWithoutAnAtShutdownSet) {
  config_.AddSet("1", {{"Name", "by hand only"}});
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(1u, answer);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(scheduler_, 500));
}

TEST_F(SchedulerTest, DueSetStartsTheMainProgramMinimizedWithItsSetNumber) {
  // Due at every evaluated minute: a second evaluation of a minute would
  // launch it again.
  testconfig::Keys everyMinute = testconfig::DueNowSet("due now");
  everyMinute.back().second = "0";
  config_.AddSet("7", everyMinute);
  WriteConfig();
  const ULONGLONG firstMinute = MinuteNow();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);  // the tick, without waiting ten seconds
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=7")) << Log();
  PostMessageA(w, WM_TIMER, 1, 0);
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  // One more tick, sent: the scheduler has finished it when the call returns
  // (its log lines follow from the repository's worker, so they are polled).
  DWORD_PTR ignored;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 20000, &ignored));
  const ULONGLONG lastMinute = MinuteNow();
  EXPECT_EQ(1, testwatch::CountLines(Log(), "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=7"));
  // Each minute is evaluated once: no more launches of the set than minutes
  // the ticks fell in (a launch is logged when done, maybe in the next one).
  std::string support;
  PollUntil([&] {
    support = ReadText(data_ + "\\Logs\\Tickwarden.log");
    return support.find(" launch 7 ") != std::string::npos;
  });
  int launches = 0;
  for (size_t at = support.find(" launch 7 "); at != std::string::npos; at = support.find(" launch 7 ", at + 1))
    ++launches;
  EXPECT_GE(launches, 1) << support;
  EXPECT_LE(static_cast<ULONGLONG>(launches), lastMinute - firstMinute + 1) << support;
}

TEST_F(SchedulerTest, DueSetGoesToTheRunningMainProgram) {
  config_.AddSet("3", testconfig::DueNowSet("due now"));
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMECHANGE, 0, 0);  // a time change is evaluated at once
  EXPECT_TRUE(LogHas("msg 33568 1 3")) << Log();
  EXPECT_EQ(1, testwatch::CountProcessesNamed("Cobaltine.exe"));
}

TEST_F(SchedulerTest, DueSetGoesOnlyToTheAssistantWhenItsWindowExists) {
  config_.AddSet("5", testconfig::DueNowSet("due now"));
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  RecordingWindow assistant(kAssistantClass);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.Count(1024, 0, 5) == 1; }));
  EXPECT_EQ(std::string::npos, Log().find("msg 33568"));
}

TEST_F(SchedulerTest, DoubleClickOnTheIconOpensTheMainProgram) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(LogHas("start -1 " + Quoted("Cobaltine.exe"))) << Log();
}

TEST_F(SchedulerTest, DoubleClickRestoresARunningMainProgram) {
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(PollUntil([&] { return IsIconic(main) != FALSE; }));
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(PollUntil([&] { return IsIconic(main) == FALSE && IsWindowVisible(main); }));
}

TEST_F(SchedulerTest, AnnouncedNextBackupTimeReachesTheMainProgram) {
  config_.AddSet("2", {{"Name", "nightly"},
                       {"ScheduleAutomatic", "1"},
                       {"SchedulePerScheduleFlag", "1"},
                       {"ScheduleScheduledType", "0"},
                       {"ScheduleDaysFlags", "127"},
                       {"ScheduleBackupTimeHour", "23"},
                       {"ScheduleBackupTimeMinute", "59"}});
  WriteConfig();
  HWND main = StartMainProgram();
  ASSERT_NE(nullptr, main);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR next = 0;
  ASSERT_TRUE(SendMessageTimeoutA(w, 1031, 0, 0, SMTO_ABORTIFHUNG, 10000, &next));
  EXPECT_NE(0u, next);
  EXPECT_EQ(59u, (next / 60) % 60) << "the next time is at minute 59";
  char line[64];
  snprintf(line, sizeof line, "msg 33570 0 %ld", static_cast<long>(next));
  EXPECT_TRUE(LogHas(line)) << Log();
}

// The repository (here the data folder) goes away and comes back while no
// drive letter changes: the at-connect set runs once on its return.
TEST_F(SchedulerTest, RepositoryBackWithoutADriveChangeRunsTheConnectSetOnce) {
  config_.AddSet("8", {{"Name", "on connect"}, {"ScheduleAtConnectFlag", "1"}});
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR ignored;
  auto tick = [&] { ASSERT_TRUE(SendMessageTimeoutA(w, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 20000, &ignored)); };
  tick();
  const std::string away = install_ + "\\data.away";
  ASSERT_TRUE(MoveFileA(data_.c_str(), away.c_str()));
  tick();
  ASSERT_TRUE(MoveFileA(away.c_str(), data_.c_str()));
  tick();
  const std::string started = "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=8";
  EXPECT_TRUE(LogHas(started)) << Log();
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  tick();
  tick();
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  EXPECT_EQ(1, testwatch::CountLines(Log(), started)) << Log();
  EXPECT_EQ(std::string::npos, Log().find("msg 33568 1 8")) << Log();
}

TEST_F(SchedulerTest, TrayMenuCommandsStartTheMainProgramWithTheirSwitches) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  ChooseFromTrayMenu(w, 2);  // Open, Backup Now
  EXPECT_TRUE(LogHas("start -1 " + Quoted("Cobaltine.exe") + " -BackupAll")) << Log();
  HWND main = testwatch::WaitForWindow(kMainClass, 20000);
  ASSERT_NE(nullptr, main);
  ChooseFromTrayMenu(w, 3);  // ... Backup and Shutdown, now posted to the running program
  EXPECT_TRUE(LogHas("msg 33568 0 1")) << Log();
  ChooseFromTrayMenu(w, 2);
  EXPECT_TRUE(LogHas("msg 33568 0 0")) << Log();
}

TEST_F(SchedulerTest, TrayMenuEscapeDoesNothingAndExitEndsTheScheduler) {
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  RecordingWindow assistant(kAssistantClass);
  ChooseFromTrayMenu(w, 2, true);
  DWORD_PTR ignored;
  SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
  assistant.PumpUntil([] { return true; });  // takes what has arrived, which a post waits for
  EXPECT_EQ(0, assistant.CountMessage(1025));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(scheduler_, 0));
  ChooseFromTrayMenu(w, 4);  // Exit
  EXPECT_TRUE(assistant.PumpUntil([&] { return assistant.CountMessage(WM_CLOSE) == 1; }));
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
}

TEST_F(SchedulerTest, DueSetTravelsSchedulerToAssistantToMainProgram) {
  config_.AddSet("6", testconfig::DueNowSet("through the assistant"));
  WriteConfig();
  // The assistant starts the scheduler itself when none runs.
  HANDLE assistant = Start(install_ + "\\Tickwardenaide.exe");
  ASSERT_NE(nullptr, assistant);
  HWND w = testwatch::WaitForWindow(kSchedulerClass, 30000);
  ASSERT_NE(nullptr, w);
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kAssistantClass, 30000));
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=6")) << Log();
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kMainClass, 20000));
  // Leaving the scheduler takes the assistant with it.
  PostMessageA(w, 1026, 0, 0);
  EXPECT_TRUE(testwatch::WaitForNoWindow(kSchedulerClass, 20000));
  EXPECT_EQ(0u, ExitCodeAfter(assistant, 20000));
  printf("main program log:\n%s", Log().c_str());
}

TEST_F(PromptedSchedulerTest, SkipLaunchesNothing) {
  config_.AddSet("1", testconfig::DueNowSet("skipped"));
  HWND w = nullptr;
  HWND prompt = StartAndTickToPrompt(&w);
  ASSERT_NE(nullptr, prompt) << "no prompt appeared";
  Click(prompt, IDCANCEL);
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 10000));
  EXPECT_TRUE(PromptLogged(1)) << SupportLog();
  EXPECT_EQ(0, testwatch::CountProcessesNamed("Cobaltine.exe"));
  EXPECT_EQ("", Log());
}

TEST_F(PromptedSchedulerTest, StartNowLaunchesAtOnceAndEachSetGetsItsOwnPrompt) {
  config_.AddSet("1", testconfig::DueNowSet("first"));
  config_.AddSet("2", testconfig::DueNowSet("second"));
  HWND first = StartAndTickToPrompt();
  ASSERT_NE(nullptr, first);
  Click(first, IDCANCEL);  // skipping the first does not touch the second
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(first); }, 10000));
  HWND second = WaitForPrompt();
  ASSERT_NE(nullptr, second) << "the second set got no prompt";
  Click(second, IDOK);
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=2")) << Log();
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=1"));
}

TEST_F(PromptedSchedulerTest, CountdownRunningOutLaunchesTheBackup) {
  config_.AddSet("4", testconfig::DueNowSet("waited for"));
  HWND prompt = StartAndTickToPrompt();
  ASSERT_NE(nullptr, prompt);
  // It rests one pixel inside the work area's bottom-right corner.
  RECT work, box;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  ASSERT_TRUE(PollUntil([&] {
    GetWindowRect(prompt, &box);
    return box.bottom == work.bottom - work.top - 1;
  }, 15000)) << "bottom " << box.bottom;
  EXPECT_EQ(work.right - work.left - 1, box.right);
  EXPECT_EQ(std::string::npos, Log().find("start"));  // nothing before the countdown ends
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 40000));
  EXPECT_TRUE(LogHas("start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=4")) << Log();
}

}  // namespace
