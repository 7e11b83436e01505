// The running scheduler and the computer's power and screen: a laptop whose
// power supply the test unplugs and plugs in (a library preloaded into the
// Wine loaders points /sys/class/power_supply at a folder the test writes,
// power_supply_preload.c), a desktop without a battery, a wake timer for a
// daily set (Wine takes it and says it cannot resume by it, error 722), and
// a caption-less window covering the screen in front. The real
// Tickwarden.exe, the stand-in main program, the test's notification area.
#include "scheduler_fixture_win32.h"

#include <stdlib.h>
#include <string.h>

#include "notification_area_win32.h"
#include "wine_drives.h"
#include "window_thread_win32.h"

namespace {

using namespace schedtest;

// The local date days from today, with the real calendar's month ends.
SYSTEMTIME DaysFromToday(int days) {
  SYSTEMTIME t = LocalNow();
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  ULARGE_INTEGER u;
  u.LowPart = f.dwLowDateTime;
  u.HighPart = f.dwHighDateTime;
  u.QuadPart += static_cast<ULONGLONG>(days) * 864000000000ULL;
  f.dwLowDateTime = u.LowPart;
  f.dwHighDateTime = u.HighPart;
  FileTimeToSystemTime(&f, &t);
  return t;
}

std::string MinuteText(const SYSTEMTIME& t, int hour, int minute) {
  char text[32];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, hour, minute);
  return text;
}

enum class Supply { Battery, Mains, Desktop };

class SchedulerPowerTest : public SchedulerTest {
 protected:
  void SetUp() override {
    const char* preload = getenv("LD_PRELOAD");
    const char* supplies = getenv("TW_POWER_SUPPLY");
    if (!preload || !strstr(preload, "power_supply") || !supplies) GTEST_SKIP() << "needs the power-supply library";
    SchedulerTest::SetUp();
    supplies_ = OnDriveZ(supplies);
  }
  void Power(Supply s) {
    testwatch::Wipe(supplies_);
    ASSERT_TRUE(testwatch::MakeFolders(supplies_));
    if (s == Supply::Desktop) return;
    ASSERT_TRUE(testwatch::MakeFolders(supplies_ + "\\AC"));
    ASSERT_TRUE(testwatch::MakeFolders(supplies_ + "\\BAT0"));
    const bool mains = s == Supply::Mains;
    for (const auto& f : {std::make_pair("AC\\type", "Mains"), std::make_pair("AC\\online", mains ? "1" : "0"),
                          std::make_pair("BAT0\\type", "Battery"), std::make_pair("BAT0\\present", "1"),
                          std::make_pair("BAT0\\status", mains ? "Charging" : "Discharging"),
                          std::make_pair("BAT0\\capacity", "80")})
      ASSERT_TRUE(testwatch::WriteText(supplies_ + "\\" + f.first, std::string(f.second) + "\n"));
    SYSTEM_POWER_STATUS status;
    ASSERT_TRUE(GetSystemPowerStatus(&status));
    ASSERT_EQ(mains ? 1 : 0, status.ACLineStatus) << "the library did not reach Wine";
  }
  std::string SupportLog() const { return ReadText(data_ + "\\Logs\\Tickwarden.log"); }
  bool SupportLogHas(const std::string& text, DWORD ms = 30000) {
    return PollUntil([&] {
      PostMessageA(w_, WM_TIMER, 1, 0);
      AnswerTime(w_, 5000);
      return SupportLog().find(text) != std::string::npos;
    }, ms);
  }
  std::string Started(int set) const {
    return "start 6 " + Quoted("Cobaltine.exe") + " -BackupSet=" + std::to_string(set);
  }
  // A daily set at the present minute, started early enough in the minute
  // that the scheduler evaluates it within it.
  testconfig::Keys DailyNow(const std::string& name) {
    PollUntil([] { return LocalNow().wSecond < 30; }, 70000);
    const SYSTEMTIME now = LocalNow();
    return {{"Name", name},
            {"ScheduleAutomatic", "1"},
            {"SchedulePerScheduleFlag", "1"},
            {"ScheduleDaysFlags", "127"},
            {"ScheduleBackupTimeHour", std::to_string(now.wHour)},
            {"ScheduleBackupTimeMinute", std::to_string(now.wMinute)},
            {"LastRunDateTime", std::to_string(PackTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0) -
                                               86400)}};
  }
  void StartAndTick() {
    WriteConfig();
    w_ = StartScheduler();
    ASSERT_NE(nullptr, w_);
    PostMessageA(w_, WM_TIMER, 1, 0);
  }
  void PrintLines(const char* words[], size_t n) {
    const std::string log = SupportLog();
    for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = log.substr(start, end - start);
      for (size_t i = 0; i < n; ++i)
        if (line.find(words[i]) == 20) printf("[power] %s\n", line.c_str());
    }
  }

  testwatch::NotificationArea shell_;
  std::string supplies_;
  HWND w_ = nullptr;
};

// Held on battery, told once, launched once when mains power returns (the
// power-status broadcast), and not again.
TEST_F(SchedulerPowerTest, ANightlySetHeldOnBatteryLaunchesOnceOnMains) {
  Power(Supply::Battery);
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}, {"DeferOnBattery", "1"}};
  config_.AddSet("2", DailyNow("Nightly"));
  StartAndTick();
  ASSERT_TRUE(SupportLogHas(" deferred 2 \"" + Named("Nightly") + "\" schedule ")) << SupportLog();
  EXPECT_NE(std::string::npos, SupportLog().find(" power on battery\r\n")) << SupportLog();
  for (int i = 0; i < 3; ++i) {
    PostMessageA(w_, WM_TIMER, 1, 0);
    AnswerTime(w_, 5000);
  }
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=2")) << Log();
  ASSERT_TRUE(PollUntil([&] { return !shell_.Balloons().empty(); })) << "not told";
  EXPECT_NE(std::string::npos, shell_.Balloons()[0].find("waits until the computer runs on mains power"))
      << shell_.Balloons()[0];

  Power(Supply::Mains);
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
  EXPECT_TRUE(LogHas(Started(2))) << Log();
  for (int i = 0; i < 3; ++i) {
    PostMessageA(w_, WM_TIMER, 1, 0);
    AnswerTime(w_, 5000);
  }
  EXPECT_EQ(1, testwatch::CountLines(Log(), Started(2))) << Log();
  EXPECT_TRUE(SupportLogHas(" on battery)\r\n")) << SupportLog();
  EXPECT_EQ(1u, shell_.Balloons().size()) << "told more than once";
  const char* words[] = {"power", "deferred", "launch"};
  PrintLines(words, 3);
}

// A run still held when the scheduler stops is logged so, and the next start
// finds it missed on battery (and holds the run made up of it until mains).
TEST_F(SchedulerPowerTest, ARunHeldAtTheStopIsMissedOnBatteryAtTheNextStart) {
  Power(Supply::Battery);
  config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}, {"DeferOnBattery", "1"},
                         {"RunMissedBackups", "1"}};
  config_.AddSet("4", DailyNow("Nightly"));
  StartAndTick();
  ASSERT_TRUE(SupportLogHas(" deferred 4 ")) << SupportLog();
  const SYSTEMTIME held = LocalNow();
  PostMessageA(w_, WM_CLOSE, 0, 0);
  ASSERT_NE(STILL_ACTIVE, ExitCodeAfter(scheduler_, 20000));
  EXPECT_NE(std::string::npos, SupportLog().find("on battery; still held when the scheduler stopped")) << SupportLog();
  // The next start comes in a later minute: the slot lies before it.
  ASSERT_TRUE(PollUntil([&] { return LocalNow().wMinute != held.wMinute; }, 70000));
  w_ = StartScheduler();
  ASSERT_NE(nullptr, w_);
  EXPECT_TRUE(SupportLogHas(" 1 on battery; made up when no longer on battery")) << SupportLog();
  EXPECT_TRUE(SupportLogHas(" deferred 4 \"" + Named("Nightly") + "\" catch-up ")) << SupportLog();
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=4")) << Log();
  const char* words[] = {"deferred", "missed"};
  PrintLines(words, 2);
}

// Nothing asked for: on battery the set runs as before, and the scheduler
// does not even look at the power. A desktop without a battery is on mains.
TEST_F(SchedulerPowerTest, TheDefaultsRunOnBatteryAndADesktopIsOnMains) {
  const struct {
    const char* what;
    Supply supply;
    const char* deferOnBattery;
  } cases[] = {{"defaults, on battery", Supply::Battery, nullptr}, {"a desktop", Supply::Desktop, "1"}};
  int set = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Power(c.supply);
    config_ = testconfig::ClientConfig();
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}};
    if (c.deferOnBattery) config_.Preferences.push_back({"DeferOnBattery", c.deferOnBattery});
    config_.AddSet(std::to_string(set), testconfig::DueNowSet("due"));
    StartAndTick();
    EXPECT_TRUE(LogHas(Started(set))) << Log();
    const std::string log = SupportLog();
    EXPECT_EQ(std::string::npos, log.find(" deferred ")) << log;
    if (!c.deferOnBattery) {
      EXPECT_EQ(std::string::npos, log.find(" power on ")) << log;
    }
    PostMessageA(w_, WM_CLOSE, 0, 0);
    ASSERT_NE(STILL_ACTIVE, ExitCodeAfter(scheduler_, 20000));
    // The next case starts its own main program: this one goes, also when it
    // has not opened its window yet.
    if (HWND main = testwatch::WaitForWindow(kMainClass)) PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testwatch::WaitForNoWindow(kMainClass, 10000));
    testwatch::EndProcessesNamed("Cobaltine.exe");
    ++set;
  }
}

// A wake is armed for the next allowed day (today is not), logged with what
// Wine says (722: it cannot resume by it), and armed again after a time change.
TEST_F(SchedulerPowerTest, AWakeIsArmedForTheRightDayAndAgainAfterATimeChange) {
  Power(Supply::Mains);
  const SYSTEMTIME today = LocalNow(), tomorrow = DaysFromToday(1);
  const int days = 127 & ~(1 << today.wDayOfWeek);
  config_.AddSet("5", {{"Name", "Nightly"}, {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
                       {"ScheduleDaysFlags", std::to_string(days)}, {"ScheduleBackupTimeHour", "23"},
                       {"ScheduleBackupTimeMinute", "30"}, {"ScheduleWakeFlag", "1"}});
  StartAndTick();
  const std::string wake = " wake 5 \"" + Named("Nightly") + "\" " + MinuteText(tomorrow, 23, 30) +
                           ": armed to wake at 23:29 (";
  const std::string cannot = "); the system says it cannot wake the computer by it (error 722)\r\n";
  ASSERT_TRUE(SupportLogHas(wake + "settings loaded" + cannot)) << SupportLog();
  PostMessageA(w_, WM_TIMECHANGE, 0, 0);
  EXPECT_TRUE(SupportLogHas(wake + "after a time change" + cannot)) << SupportLog();
  const char* words[] = {"wake"};
  PrintLines(words, 1);
}

// Woken for a slot on mains: kept awake. Woken again, but on battery
// (unplugged while asleep) with WakeOnBattery 0: the slot starts nothing and
// the computer may sleep again; it runs once somebody is back.
TEST_F(SchedulerPowerTest, AWakeOnBatteryStartsNothingUntilSomebodyIsBack) {
  Power(Supply::Mains);
  PollUntil([] { return LocalNow().wSecond < 40; }, 70000);
  DateTimeParts slot;
  const SYSTEMTIME now = LocalNow();
  DateTimeUtil::UnpackTime(PackTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0) + 60, slot);
  config_.AddSet("7", {{"Name", "Soon"}, {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
                       {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", std::to_string(slot.Hour)},
                       {"ScheduleBackupTimeMinute", std::to_string(slot.Minute)}, {"ScheduleWakeFlag", "1"}});
  StartAndTick();
  const std::string set = "7 \"" + Named("Soon") + "\"";
  ASSERT_TRUE(SupportLogHas(" wake " + set)) << SupportLog();
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  ASSERT_TRUE(SupportLogHas(" power woken for " + set)) << SupportLog();
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  AnswerTime(w_, 5000);
  Power(Supply::Battery);
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  // The slot's minute comes with nobody there.
  EXPECT_TRUE(SupportLogHas(" deferred " + set + " schedule ", 90000)) << SupportLog();
  EXPECT_TRUE(SupportLogHas(" power may sleep again: the run waits for mains power")) << SupportLog();
  EXPECT_EQ(std::string::npos, Log().find("-BackupSet=7")) << Log();
  PostMessageA(w_, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  EXPECT_TRUE(LogHas(Started(7))) << Log();
  EXPECT_TRUE(SupportLogHas(" launch " + set + " schedule via started process (due ")) << SupportLog();
  const char* words[] = {"power", "wake", "deferred", "launch"};
  PrintLines(words, 4);
}

class FullScreenTest : public SchedulerPowerTest {
 protected:
  // A caption-less window of the test covering the screen, brought to the front.
  void ShowFullScreen() {
    ASSERT_NE(nullptr, program_.Window());
    SetWindowPos(program_.Window(), HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_SHOWWINDOW);
    SetForegroundWindow(program_.Window());
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == program_.Window(); })) << "not in front";
  }
  // Held at the first evaluated minute, then left for the next minutes to decide.
  void HoldUnderTheWindow(const char* limit) {
    Power(Supply::Mains);
    config_.Preferences = {{"SettleTime", "0"}, {"PromptBeforeStarting", "0"}, {"DeferWhileFullScreen", "1"},
                           {"DeferLimitMinutes", limit}};
    config_.AddSet("6", testconfig::DueNowSet("Presentation"));
    ShowFullScreen();
    StartAndTick();
    ASSERT_TRUE(SupportLogHas(" deferred 6 \"" + Named("Presentation") + "\" schedule ")) << SupportLog();
    EXPECT_NE(std::string::npos, SupportLog().find(" full screen, at most " + std::string(limit) + " min\r\n"))
        << SupportLog();
    EXPECT_EQ(std::string::npos, Log().find("-BackupSet=6")) << Log();
  }

  testwatch::WindowThread program_{"FullScreenProgram", "", 0};
};

TEST_F(FullScreenTest, HeldUntilTheFullScreenProgramGoes) {
  HoldUnderTheWindow("60");
  PostMessageA(program_.Window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(program_.WaitForClose(10000));
  // The next evaluated minute finds it gone.
  EXPECT_TRUE(LogHas(Started(6), 90000)) << Log();
  EXPECT_TRUE(SupportLogHas(" full screen)")) << SupportLog();
  const char* words[] = {"deferred", "launch"};
  PrintLines(words, 2);
}

TEST_F(FullScreenTest, AFullScreenProgramThatStaysIsLeftAtTheLimit) {
  HoldUnderTheWindow("1");
  EXPECT_TRUE(LogHas(Started(6), 150000)) << Log();
  EXPECT_TRUE(SupportLogHas("; limit reached)")) << SupportLog();
  EXPECT_EQ(program_.Window(), GetForegroundWindow());
  const char* words[] = {"deferred", "launch"};
  PrintLines(words, 2);
}

}  // namespace
