// The running scheduler under the situations that used to break it: two
// starts at once with a locked settings file, a file that cannot be read,
// log-off through the assistant with a main program that opens its window
// late, a prompt under the tray menu, two requests racing one start, and the
// daily runs held by a paused prompt or missed while the scheduler was not
// running. The real Tickwarden.exe, Tickwardenaide.exe and stand-in main
// program under Wine; the shell is the test's stand-in notification area.
#include "scheduler_fixture_win32.h"

#include "exclusive_lock_win32.h"
#include "notification_area_win32.h"

namespace {

using namespace schedtest;

int CountFound(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class SchedulerRunsTest : public PromptedSchedulerTest {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", nullptr);
    PromptedSchedulerTest::TearDown();
  }
  std::string Started(int set) const { return "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=" + std::to_string(set); }
  // A daily set at hour:minute.
  static testconfig::Keys Daily(const std::string& name, int hour, int minute) {
    return {{"Name", name},          {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
            {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", std::to_string(hour)},
            {"ScheduleBackupTimeMinute", std::to_string(minute)}};
  }

  testwatch::NotificationArea shell_;
};

TEST_F(SchedulerRunsTest, TwoStartsRacingALockedFileMakeOneScheduler) {
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config_.AddSet("7", testconfig::DueNowSet("once"));
  WriteConfig();
  {
    testwatch::ExclusiveLock lock(data_ + "\\ClientConfig.hdb");
    ASSERT_TRUE(lock.Held());
    // As at log-on: both Startup shortcuts within moments of each other.
    HANDLE first = Start(install_ + "\\Tickwarden.exe");
    HANDLE aide = Start(install_ + "\\Tickwardenaide.exe");
    HANDLE second = Start(install_ + "\\Tickwarden.exe");
    ASSERT_TRUE(first && aide && second);
    HWND w = testwatch::WaitForWindow(kSchedulerClass, 30000);
    ASSERT_NE(nullptr, w);
    EXPECT_TRUE(PollUntil([] { return testwatch::CountProcessesNamed("Tickwarden.exe") == 1; }, 30000));
    EXPECT_EQ(1, testwatch::CountWindowsOfClass(kSchedulerClass));
  }
  HWND w = FindWindowA(kSchedulerClass, nullptr);
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kAssistantClass, 20000));
  // The lock is gone: the next tick loads the file, the one after launches.
  for (int i = 0; i < 3; ++i) {
    PostMessageA(w, WM_TIMER, 1, 0);
    AnswerTime(w, 20000);
  }
  EXPECT_TRUE(LogHas(Started(7))) << Log();
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kMainClass, 20000));
  PostMessageA(w, WM_TIMER, 1, 0);
  AnswerTime(w, 20000);
  EXPECT_EQ(1, testwatch::CountLines(Log(), Started(7)));
  EXPECT_EQ(std::string::npos, Log().find("msg 33568 1 7")) << Log();
  EXPECT_EQ(1, testwatch::CountWindowsOfClass(kSchedulerClass));
  EXPECT_EQ(1, testwatch::CountProcessesNamed("Tickwardenaide.exe"));
}

// A file that cannot be read, damaged or held by another program: the window
// still answers at once, whatever asks it to load the file again.
TEST_F(SchedulerRunsTest, TheWindowKeepsAnsweringWhileTheFileCannotBeRead) {
  const std::string file = data_ + "\\ClientConfig.hdb";
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked ? "held by another program" : "empty");
    if (locked) WriteConfig();
    else ASSERT_TRUE(testwatch::WriteText(file, ""));
    testwatch::ExclusiveLock* lock = locked ? new testwatch::ExclusiveLock(file) : nullptr;
    HWND w = StartScheduler();
    ASSERT_NE(nullptr, w);
    DWORD worst = 0;
    for (int round = 0; round < 4; ++round) {
      PostMessageA(w, 1028, 0, 0);  // what a changed file makes the tick post
      PostMessageA(w, WM_TIMER, 1, 0);
      DWORD took = AnswerTime(w, 30000);
      if (took > worst) worst = took;
    }
    printf("%s: the window answered within %lu ms\n", locked ? "locked" : "empty", static_cast<unsigned long>(worst));
    // A load may take about a second, never the ten of old; the answer may
    // wait for two. The bound leaves a loaded machine room.
    EXPECT_LT(worst, 9000u);
    delete lock;
    PostMessageA(w, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testwatch::WaitForNoWindow(kSchedulerClass, 20000));
  }
}

TEST_F(SchedulerRunsTest, LogOffThroughTheAssistantTellsAMainProgramThatStartsLate) {
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config_.AddSet("4", {{"Name", "at log-off"}, {"ScheduleAtShutdownFlag", "1"}});
  WriteConfig();
  SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", "4000");
  ASSERT_NE(nullptr, Start(install_ + "\\Tickwardenaide.exe"));
  HWND w = testwatch::WaitForWindow(kSchedulerClass, 30000);
  ASSERT_NE(nullptr, w);
  ASSERT_NE(nullptr, testwatch::WaitForWindow(kAssistantClass, 20000));
  HANDLE scheduler = testwatch::OpenWindowProcess(w);
  // A 1030 the scheduler did not ask for itself does nothing.
  PostMessageA(w, 1030, 0, 0);
  AnswerTime(w, 10000);
  EXPECT_TRUE(IsWindow(w));
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(0u, answer);
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(0u, answer) << "still starting the at-shutdown sets";
  EXPECT_TRUE(LogHas(Started(4))) << Log();
  EXPECT_TRUE(LogHas("msg 33470 0 0", 30000)) << Log();
  EXPECT_EQ(0u, ExitCodeAfter(scheduler, 30000));
  EXPECT_EQ(1, testwatch::CountLines(Log(), Started(4)));
  CloseHandle(scheduler);
}

TEST_F(SchedulerRunsTest, SkipAtLogOffDoesNotTellTheMainProgram) {
  config_.AddSet("4", {{"Name", "at log-off"}, {"ScheduleAtShutdownFlag", "1"}});
  WriteConfig();
  ASSERT_NE(nullptr, StartMainProgram());
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(0u, answer);
  HWND prompt = WaitForPrompt();
  ASSERT_NE(nullptr, prompt);
  Click(prompt, IDCANCEL);
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 30000));
  EXPECT_EQ(std::string::npos, Log().find("msg 33470")) << Log();
  EXPECT_EQ(std::string::npos, Log().find("msg 33568")) << Log();
}

TEST_F(SchedulerRunsTest, APromptWaitsUntilTheTrayMenuCloses) {
  config_.AddSet("2", testconfig::DueNowSet("after the menu"));
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_RBUTTONUP);
  HWND menu = testwatch::WaitForWindow("#32768", 15000);
  ASSERT_NE(nullptr, menu);
  ASSERT_TRUE(PollUntil([&] { return IsWindowVisible(menu) != FALSE; }));
  // A tick inside the menu's own loop (a message sent to the window is
  // handled there at once, as Windows handles the timer): it must not start.
  DWORD_PTR ignored;
  // A prompt would hold it for its twenty seconds.
  EXPECT_TRUE(SendMessageTimeoutA(w, WM_TIMER, 1, 0, SMTO_NORMAL, 12000, &ignored)) << "the tick waited on a prompt";
  EXPECT_EQ(nullptr, WaitForPrompt(2000)) << "a prompt opened under the menu";
  PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(w, WM_KEYUP, VK_ESCAPE, 0);
  HWND prompt = WaitForPrompt();
  ASSERT_NE(nullptr, prompt) << "the held tick did not run once the menu closed";
  Click(prompt, IDOK);
  EXPECT_TRUE(LogHas(Started(2))) << Log();
}

// While a prompt waits, counting down or paused, the window answers what is
// sent to it (a broadcast, the main program's question, a tick) and starts
// nothing meanwhile: one prompt, one launch.
TEST_F(SchedulerRunsTest, TheWindowAnswersWhileAPromptWaitsAndStartsNothingMore) {
  config_.AddSet("3", testconfig::DueNowSet("asked"));
  HWND w = nullptr;
  HWND prompt = StartAndTickToPrompt(&w);
  ASSERT_NE(nullptr, prompt);
  for (bool paused : {false, true}) {
    SCOPED_TRACE(paused ? "paused" : "counting down");
    if (paused) {
      ASSERT_TRUE(Pause(prompt));
    }
    DWORD_PTR answer = 0;
    for (UINT message : {UINT(WM_SETTINGCHANGE), UINT(1031), UINT(WM_TIMER), UINT(WM_TIMECHANGE)}) {
      EXPECT_TRUE(SendMessageTimeoutA(w, message, 1, 0, SMTO_NORMAL, 3000, &answer)) << "message " << message;
    }
    EXPECT_EQ(1, PromptsOpen());
  }
  Click(prompt, IDOK);
  EXPECT_TRUE(LogHas(Started(3))) << Log();
  ASSERT_TRUE(PromptLogged(3));
  EXPECT_EQ(nullptr, WaitForPrompt(2000)) << "a tick that came meanwhile opened another prompt";
  EXPECT_EQ(1, testwatch::CountLines(Log(), Started(3)));
}

// Every way to end the scheduler works during a paused prompt, within 5 s; the
// set whose prompt was open is logged as not started. The end of the Windows
// session is answered at once too (Windows ends the process then).
TEST_F(SchedulerRunsTest, EndingTheSchedulerDuringAPausedPromptLogsTheSetAndEndsAtOnce) {
  const struct {
    const char* way;
    const char* why;
  } cases[] = {
      {"1026", "the scheduler was closed"},
      {"WM_CLOSE sent, as the uninstaller does", "the scheduler was closed"},
      {"the menu's Exit", "the scheduler was closed"},
      {"the end of the session", "the Windows session ended"},
  };
  int set = 3;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.way);
    // A set of its own each time: the run a scheduler claimed stays claimed.
    config_.Sets.clear();
    config_.AddSet(std::to_string(++set), testconfig::DueNowSet("asked"));
    HWND w = nullptr;
    HWND prompt = StartAndTickToPrompt(&w);
    ASSERT_NE(nullptr, prompt);
    ASSERT_TRUE(Pause(prompt));
    DWORD_PTR answer = 99;
    const std::string way = c.way;
    if (way == "1026") {
      PostMessageA(w, 1026, 0, 0);
    } else if (way == "the menu's Exit") {
      ChooseFromTrayMenu(w, 4);
    } else if (way == "the end of the session") {
      ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 3000, &answer));
      EXPECT_EQ(1u, answer);
      EXPECT_TRUE(SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer));
    } else {
      EXPECT_TRUE(SendMessageTimeoutA(w, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &answer));
    }
    EXPECT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 5000)) << "the prompt stayed";
    if (way == "the end of the session") PostMessageA(w, WM_CLOSE, 0, 0);  // what Windows does next
    EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 5000));
    const std::string line = " launch " + std::to_string(set) + " \"" + Named("asked") + "\" schedule not started (" +
                             c.why + " while its prompt was open)";
    EXPECT_EQ(1, CountFound(SupportLog(), line)) << SupportLog();
  }
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=")) << Log();
}

// A log-off during a prompt is refused at once for the at-log-off set; the set
// whose prompt was open still runs, then the at-log-off set, then the
// scheduler ends and tells the main program.
TEST_F(SchedulerRunsTest, ALogOffDuringAPromptIsAnsweredAtOnceAndEverySetRuns) {
  config_.AddSet("3", testconfig::DueNowSet("asked"));
  config_.AddSet("4", {{"Name", "at log-off"}, {"ScheduleAtShutdownFlag", "1"}});
  HWND w = nullptr;
  HWND prompt = StartAndTickToPrompt(&w);
  ASSERT_NE(nullptr, prompt);
  DWORD_PTR answer = 99;
  ASSERT_TRUE(SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 3000, &answer));
  EXPECT_EQ(0u, answer);
  EXPECT_EQ(1, PromptsOpen()) << "the at-log-off set waits for the open prompt";
  Click(prompt, IDOK);
  EXPECT_TRUE(LogHas(Started(3))) << Log();
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 10000));
  HWND second = WaitForPrompt();
  ASSERT_NE(nullptr, second) << "the at-log-off set got no prompt";
  Click(second, IDOK);
  EXPECT_TRUE(LogHas("msg 33568 1 4", 30000)) << Log();
  EXPECT_TRUE(LogHas("msg 33470 0 0", 30000)) << Log();
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 30000));
}

// Open, then a due set, while the main program is still opening its window:
// the set goes to that program instead of starting a second one.
TEST_F(SchedulerRunsTest, OpenThenADueSetStartOneMainProgram) {
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
  config_.AddSet("5", testconfig::DueNowSet("raced"));
  WriteConfig();
  SetEnvironmentVariableA("COBALTINE_WINDOW_DELAY_MS", "3000");
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  PostMessageA(w, 1027, 0, WM_LBUTTONDBLCLK);
  PostMessageA(w, WM_TIMER, 1, 0);
  EXPECT_TRUE(LogHas("msg 33568 1 5", 40000)) << Log();
  EXPECT_EQ(1, testwatch::CountProcessesNamed("Cobaltine.exe"));
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=5")) << Log();
}

// A daily run that fell before the scheduler started is logged, made up with
// RunMissedBackups 1 once its prompt is answered, and told in a balloon after
// the prompt has closed (the prompt would slide over a balloon shown before).
TEST_F(SchedulerRunsTest, AMissedRunIsMadeUpToldAndLogged) {
  SYSTEMTIME now = LocalNow();
  PackedTime slot = PackTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0) - 120;
  DateTimeParts at;
  DateTimeUtil::UnpackTime(slot, at);
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "1"}, {"RunMissedBackups", "1"}};
  testconfig::Keys nightly = Daily("Nightly", at.Hour, at.Minute);
  nightly.push_back({"LastRunDateTime", std::to_string(slot - 86400)});
  config_.AddSet("8", nightly);
  WriteConfig();
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  // Standby and back: the resume evaluates at once (APM forms, as Windows 95 sends them).
  PostMessageA(w, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  PostMessageA(w, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  HWND prompt = WaitForPrompt();
  ASSERT_NE(nullptr, prompt);
  EXPECT_TRUE(shell_.Balloons().empty()) << "a balloon under the prompt: " << shell_.Balloons()[0];
  Click(prompt, IDOK);
  EXPECT_TRUE(LogHas(Started(8))) << Log();
  ASSERT_TRUE(PollUntil([&] { return SupportLog().find("catch-up via started process") != std::string::npos; }));
  const std::string log = SupportLog();
  char slotText[32];
  snprintf(slotText, sizeof slotText, " %04d-%02d-%02d %02d:%02d ", at.Year, at.Month, at.Day, at.Hour, at.Minute);
  const std::string missed = " missed 8 \"" + Named("Nightly") + "\"" + slotText + "1 not running; made up now";
  for (const char* word : {" start Tickwarden", " settings 1 sets loaded", " online ", " power suspend", " power resume"})
    EXPECT_NE(std::string::npos, log.find(word)) << word << "\n" << log;
  EXPECT_NE(std::string::npos, log.find(missed)) << log;
  ASSERT_TRUE(PollUntil([&] { return !shell_.Balloons().empty(); }));
  EXPECT_NE(std::string::npos, shell_.Balloons()[0].find("\"" + Named("Nightly") + "\" did not run at"))
      << shell_.Balloons()[0];
  printf("balloon: %s\nsupport log:\n%s", shell_.Balloons()[0].c_str(), log.c_str());
}

// While one set's prompt is paused past another set's daily minute, that set
// runs once the prompt ends, with or without RunMissedBackups.
TEST_F(SchedulerRunsTest, ASetDueWhileAPromptIsPausedRunsWhenThePromptEnds) {
  // Late enough in the minute that the next one begins while paused, early
  // enough that the scheduler is up before it does.
  ASSERT_TRUE(PollUntil([] { return LocalNow().wSecond >= 40 && LocalNow().wSecond < 50; }, 70000));
  SYSTEMTIME now = LocalNow();
  DateTimeParts next;
  DateTimeUtil::UnpackTime(PackTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0) + 60, next);
  config_.AddSet("1", testconfig::DueNowSet("paused"));
  config_.AddSet("9", Daily("due meanwhile", next.Hour, next.Minute));
  HWND prompt = StartAndTickToPrompt();
  ASSERT_NE(nullptr, prompt);
  Click(prompt, 1000);  // Pause
  // Paused until the set's whole minute has passed.
  const PackedTime after = DateTimeUtil::PackTime(next) + 62;
  ASSERT_TRUE(PollUntil([&] {
    SYSTEMTIME t = LocalNow();
    return PackTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond) >= after;
  }, 150000));
  Click(prompt, IDOK);
  EXPECT_TRUE(LogHas(Started(1))) << Log();
  ASSERT_TRUE(PollUntil([&] { return !IsWindow(prompt); }, 10000));
  HWND second = WaitForPrompt(30000);
  ASSERT_NE(nullptr, second) << "the set due during the pause got no prompt";
  Click(second, IDOK);
  EXPECT_TRUE(LogHas("msg 33568 1 9", 30000)) << Log();
  EXPECT_TRUE(PollUntil([&] { return SupportLog().find("held while the scheduler was busy") != std::string::npos; }))
      << SupportLog();
  EXPECT_NE(std::string::npos, SupportLog().find("prompt 1 \"" + Named("paused") + "\" start now, paused"))
      << SupportLog();
}

}  // namespace
