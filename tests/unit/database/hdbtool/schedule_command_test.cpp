// "hdbtool schedule" on a real ClientConfig.hdb: the replay's lines with the
// computer off for a night, with RunMissedBackups 0 and 1, and the usage
// errors of --off; a run held on battery and the wakes on a power timeline.
#if HDBTOOL_HAS_SCHEDULE
#include "schedule_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client_config_file.h"
#include "code_page_932.h"
#include "database_test_support.h"
#include "hdbtool_commands.h"

namespace {

int RunSchedule(std::vector<std::string> args, std::string* out = nullptr) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int code = RunScheduleCommand(static_cast<int>(argv.size()), argv.data());
  std::string printed = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  if (out) *out = printed;
  return code;
}

TEST(ScheduleCommand, AComputerOffForANightMissesItsRunAndMakesItUpWhenAsked) {
  testsupport::TempDirectory dir;
  const std::string file = dir.File("ClientConfig.hdb");
  for (const char* runMissed : {"0", "1"}) {
    // The second time the set is named in code page 932, printed as the
    // support log writes it: 表 whole, though its second byte is '\'.
    cp932::Scope codePage(runMissed[0] == '1');
    const std::string name = runMissed[0] == '1' ? CP932_ICHIRAN CP932_HYOU : "Nightly";
    testconfig::ClientConfig config;
    config.Preferences = {{"SettleTime", "5"}, {"RunMissedBackups", runMissed}};
    config.AddSet("2", {{"Name", name}, {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
                        {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", "22"}});
    ASSERT_TRUE(config.Write(file));
    std::string out;
    ASSERT_EQ(ExitClean, RunSchedule({"schedule", file, "--from", "2026-12-07 12:00", "--days", "2", "--off",
                              "2026-12-08 18:00", "2026-12-09 08:00"}, &out));
    std::string expected = "next: 2026-12-07 22:00:00\n"
                           "2026-12-07 22:00 2 schedule \"" + name + "\"\n"
                           "2026-12-09 08:05 2 missed \"" + name + "\" 2026-12-08 22:00 1\n";
    if (runMissed[0] == '1') expected += "2026-12-09 08:05 2 catch-up \"" + name + "\"\n";
    EXPECT_EQ(expected, out) << "RunMissedBackups " << runMissed;
  }
  for (std::vector<std::string> bad : {std::vector<std::string>{"--off", "2026-12-08 18:00"},
                                       {"--off", "2026-12-08 18:00", "2026-12-08 17:00"},
                                       {"--off", "2026-12-08 18:00", "tomorrow"}}) {
    bad.insert(bad.begin(), {"schedule", file});
    EXPECT_EQ(ExitUsage, RunSchedule(bad)) << bad[3];
  }
}

TEST(ScheduleCommand, APowerTimelineShowsHeldRunsAndWakes) {
  testsupport::TempDirectory dir;
  const std::string file = dir.File("ClientConfig.hdb");
  testconfig::ClientConfig config;
  config.Preferences = {{"DeferOnBattery", "1"}};
  config.AddSet("2", {{"Name", "Nightly"}, {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
                      {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", "22"}, {"ScheduleWakeFlag", "1"}});
  ASSERT_TRUE(config.Write(file));
  std::string out;
  ASSERT_EQ(ExitClean, RunSchedule({"schedule", file, "--from", "2026-12-07 12:00", "--days", "2", "--on-battery",
                                    "2026-12-07 21:00", "2026-12-07 23:30"}, &out));
  EXPECT_EQ("next: 2026-12-07 22:00:00\n"
            "2026-12-07 12:00 2 wake \"Nightly\" 2026-12-07 22:00\n"
            "2026-12-07 21:00 2 wake \"Nightly\" none: on battery\n"
            "2026-12-07 22:00 2 deferred \"Nightly\" schedule on battery\n"
            "2026-12-07 23:30 2 schedule \"Nightly\" waited 90 min: on battery\n"
            "2026-12-07 23:30 2 wake \"Nightly\" 2026-12-08 22:00\n"
            "2026-12-08 22:00 2 schedule \"Nightly\"\n"
            "2026-12-08 22:00 2 wake \"Nightly\" 2026-12-09 22:00\n",
            out);
  EXPECT_EQ(ExitUsage, RunSchedule({"schedule", file, "--busy", "2026-12-07 21:00"}));
}

}  // namespace
#endif
