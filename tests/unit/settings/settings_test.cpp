// Loading preferences and backup sets from ClientConfig.hdb files: defaults,
// keys present and missing, set numbers, long names, carrying last-run times
// over a reload, damaged and missing files, files changed while read.
#include "settings/settings.h"
#include "settings/settings_reload.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#endif

#include "client_config_file.h"
#include "code_page_932.h"
#include "database/file_manager.h"
#include "database/file_snapshot.h"
#include "described_database.h"
#include "temp_directory.h"

namespace {

using testconfig::Described;
using testconfig::Key;
using testconfig::Node;
using testconfig::Root;
using testconfig::Set;
using testsupport::TempDirectory;
using testconfig::WriteDatabase;

int g_sleeps = 0;
void CountingSleep(unsigned) { ++g_sleeps; }

class SettingsLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeBackupSetList();
    Preferences = SchedulerPreferences();
    LoadedConfigTime = 0;
    g_sleeps = 0;
    path_ = dir_.File("ClientConfig.hdb");
  }
  void TearDown() override { FreeBackupSetList(); }

  int Load(const ObjectNode& root) {
    if (!WriteDatabase(path_, root)) {
      ADD_FAILURE() << "could not write " << path_;
      return -2;
    }
    return LoadSettingsFromDatabase(path_.c_str(), CountingSleep);
  }

  std::vector<const BackupSetEntry*> Sets() const {
    std::vector<const BackupSetEntry*> v;
    for (const BackupSetEntry* e = BackupSetList; e; e = e->next) v.push_back(e);
    return v;
  }

  TempDirectory dir_;
  std::string path_;
};

ObjectNode SetList(std::vector<ObjectNode> sets) { return Node("Backup Set List", std::move(sets)); }

// A "Backup Set List" of sets with only a number, a name and a last-run time.
struct NamedSet {
  const char* Number;
  const char* Name;
  const char* LastRun;
};
ObjectNode SetListOf(std::initializer_list<NamedSet> sets) {
  std::vector<ObjectNode> list;
  for (const NamedSet& e : sets) list.push_back(Set(e.Number, {{"Name", e.Name}, {"LastRunDateTime", e.LastRun}}));
  return Root({SetList(list)});
}

const char kSettleEightAndOneSet[] = R"(
"SchedulerPreferences"
  "SettleTime" = "8"
"Backup Set List"
  "1"
    "Name" = "A"
    "LastRunDateTime" = "1"
)";

TEST_F(SettingsLoad, ReadsThePreferences) {
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "SettleTime" = "7"
  "PromptBeforeStarting" = "0"
  "RunMissedBackups" = "1"
  "DeferOnBattery" = "1"
  "WakeOnBattery" = "1"
  "DeferWhileFullScreen" = "1"
  "WaitForIdleMinutes" = "10"
  "DeferLimitMinutes" = "15"
)")));
  EXPECT_EQ(7, Preferences.SettleTime);
  EXPECT_EQ(0, Preferences.PromptBeforeStarting);
  EXPECT_EQ(1, Preferences.RunMissedBackups);
  EXPECT_EQ(1, Preferences.Defer.DeferOnBattery);
  EXPECT_EQ(1, Preferences.Defer.WakeOnBattery);
  EXPECT_EQ(1, Preferences.Defer.DeferWhileFullScreen);
  EXPECT_EQ(10, Preferences.Defer.WaitForIdleMinutes);
  EXPECT_EQ(15, Preferences.Defer.DeferLimitMinutes);
  EXPECT_NE(0u, LoadedConfigTime) << "the file's write time is taken";
}

TEST_F(SettingsLoad, MissingPreferencesFallBackToTheDefaultsOnEveryLoad) {
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "SettleTime" = "9"
  "PromptBeforeStarting" = "0"
  "RunMissedBackups" = "1"
)")));
  ASSERT_EQ(9, Preferences.SettleTime);
  // The key is gone: back to 5, not kept from the earlier load and not 0.
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "DeferOnBattery" = "1"
  "DeferLimitMinutes" = "5"
)")));
  ASSERT_EQ(1, Preferences.Defer.DeferOnBattery);
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "PromptBeforeStarting" = "0"
)")));
  EXPECT_EQ(5, Preferences.SettleTime);
  EXPECT_EQ(0, Preferences.PromptBeforeStarting);
  EXPECT_EQ(0, Preferences.RunMissedBackups);
  EXPECT_EQ(0, Preferences.Defer.DeferOnBattery);
  EXPECT_EQ(60, Preferences.Defer.DeferLimitMinutes);
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "SettleTime" = "2"
)")));
  EXPECT_EQ(2, Preferences.SettleTime);
  EXPECT_EQ(1, Preferences.PromptBeforeStarting);
  ASSERT_EQ(0, Load(Described("")));
  EXPECT_EQ(5, Preferences.SettleTime);
  EXPECT_EQ(1, Preferences.PromptBeforeStarting);
}

TEST_F(SettingsLoad, ReadsEveryKeyOfASetInListOrder) {
  ASSERT_EQ(0, Load(Described(R"(
"Backup Set List"
  "1"
    "Name" = "First"
  "3"
    "Name" = "Documents"
    "BackupType" = "2"
    "ScheduleAutomatic" = "1"
    "ScheduleAtStartupFlag" = "1"
    "ScheduleStartupDelay" = "4"
    "ScheduleAtShutdownFlag" = "1"
    "ScheduleAtConnectFlag" = "1"
    "SchedulePerScheduleFlag" = "1"
    "ScheduleScheduledType" = "1"
    "ScheduleDaysFlags" = "62"
    "ScheduleBackupTimeHour" = "22"
    "ScheduleBackupTimeMinute" = "15"
    "ScheduleAllDayFlag" = "0"
    "ScheduleFrequency" = "90"
    "ScheduleStartTimeHour" = "8"
    "ScheduleStartTimeMinute" = "30"
    "ScheduleEndTimeHour" = "17"
    "ScheduleEndTimeMinute" = "45"
    "LastRunDateTime" = "3000000000"
    "TurnOffComputerFlag" = "1"
    "ExitFlag" = "1"
    "ScheduleWakeFlag" = "1"
  "2"
    "Name" = "Last"
)")));
  auto sets = Sets();
  ASSERT_EQ(3u, sets.size());
  EXPECT_STREQ("First", sets[0]->Name);
  EXPECT_STREQ("Last", sets[2]->Name);
  const BackupSetEntry& e = *sets[1];
  EXPECT_EQ(3, e.SetNumber);
  EXPECT_STREQ("Documents", e.Name);
  EXPECT_EQ(2, e.BackupType);
  EXPECT_EQ(1, e.ScheduleAutomatic);
  EXPECT_EQ(1, e.ScheduleAtStartupFlag);
  EXPECT_EQ(4, e.ScheduleStartupDelay);
  EXPECT_EQ(1, e.ScheduleAtShutdownFlag);
  EXPECT_EQ(1, e.ScheduleAtConnectFlag);
  EXPECT_EQ(1, e.SchedulePerScheduleFlag);
  EXPECT_EQ(1, e.ScheduleScheduledType);
  EXPECT_EQ(62, e.ScheduleDaysFlags);
  EXPECT_EQ(22, e.ScheduleBackupTimeHour);
  EXPECT_EQ(15, e.ScheduleBackupTimeMinute);
  EXPECT_EQ(0, e.ScheduleAllDayFlag);
  EXPECT_EQ(90, e.ScheduleFrequency);
  EXPECT_EQ(8, e.ScheduleStartTimeHour);
  EXPECT_EQ(30, e.ScheduleStartTimeMinute);
  EXPECT_EQ(17, e.ScheduleEndTimeHour);
  EXPECT_EQ(45, e.ScheduleEndTimeMinute);
  // A time after 2046 is above 2^31 and must survive the decimal conversion.
  EXPECT_EQ(3000000000u, e.LastRunTime);
  EXPECT_EQ(1, e.TurnOffComputerFlag);
  EXPECT_EQ(1, e.ExitFlag);
  EXPECT_EQ(1, e.ScheduleWakeFlag);
}

TEST_F(SettingsLoad, MissingKeysLeaveZeroFields) {
  ASSERT_EQ(0, Load(Root({SetList({Set("5", {}), Set("6", {{"ScheduleFrequency", "x"}})})})));
  auto sets = Sets();
  ASSERT_EQ(2u, sets.size());
  for (const BackupSetEntry* e : sets) {
    EXPECT_STREQ("", e->Name);
    EXPECT_EQ(0, e->ScheduleAutomatic);
    EXPECT_EQ(0, e->SchedulePerScheduleFlag);
    EXPECT_EQ(0, e->ScheduleFrequency);
    EXPECT_EQ(0u, e->LastRunTime);
  }
  EXPECT_EQ(5, sets[0]->SetNumber);
  EXPECT_EQ(6, sets[1]->SetNumber);
}

TEST_F(SettingsLoad, SetNumberIsTheObjectNameReadAsADecimal) {
  struct Case {
    const char* objectName;
    int32_t expected;
  } cases[] = {{"12", 12},   {"abc", 0},  {" 42", 42},  {"-7x", -7},
               {"007", 7},   {"3 4", 3},  {"+15", 15},  {"4294967295", -1},
               // Wraps modulo 2^32 instead of overflowing.
               {"1234567890123456789", 2112454933}};
  std::vector<ObjectNode> sets;
  for (const Case& c : cases) sets.push_back(Set(c.objectName, {}));
  ASSERT_EQ(0, Load(Root({SetList(sets)})));
  auto loaded = Sets();
  ASSERT_EQ(sizeof cases / sizeof cases[0], loaded.size());
  for (size_t i = 0; i < loaded.size(); ++i)
    EXPECT_EQ(cases[i].expected, loaded[i]->SetNumber) << cases[i].objectName;
}

TEST_F(SettingsLoad, LongNamesKeepTheirFirst64Bytes) {
  std::string eighty;
  for (int i = 0; i < 80; ++i) eighty += static_cast<char>('A' + i % 26);
  std::string sixtyFour = eighty.substr(0, 64);
  ASSERT_EQ(0, Load(Root({SetList({Set("1", {{"Name", eighty}}), Set("2", {{"Name", sixtyFour}}),
                                   Set("3", {{"Name", sixtyFour.substr(0, 63)}})})})));
  auto sets = Sets();
  ASSERT_EQ(3u, sets.size());
  EXPECT_EQ(sixtyFour, std::string(sets[0]->Name));
  EXPECT_EQ(sixtyFour, std::string(sets[1]->Name));
  EXPECT_EQ(sixtyFour.substr(0, 63), std::string(sets[2]->Name));
  EXPECT_EQ('\0', sets[0]->Name[BackupSetNameLength]);
  // In code page 932 a cut never keeps half of 表: a name that goes on loses
  // the character that would need byte 65; one that ends with it keeps it.
  cp932::Scope japanese;
  const std::string ascii62 = eighty.substr(0, 62), ascii63 = eighty.substr(0, 63);
  ASSERT_EQ(0, Load(Root({SetList({Set("1", {{"Name", ascii63 + CP932_HYOU "x"}}),
                                   Set("2", {{"Name", ascii62 + CP932_HYOU}})})})));
  sets = Sets();
  ASSERT_EQ(2u, sets.size());
  EXPECT_EQ(ascii63, std::string(sets[0]->Name));
  EXPECT_EQ(ascii62 + CP932_HYOU, std::string(sets[1]->Name));
}

TEST_F(SettingsLoad, LastRunTimesCarryOverBySetNumberThenName) {
  ASSERT_EQ(0, Load(SetListOf({{"1", "Daily", "900"}, {"2", "Weekly", "900"}, {"3", "Monthly", "900"},
                               {"5", "Same", "100"}, {"6", "Same", "100"}, {"7", "", "100"},
                               {"8", "", "100"}, {"9", "Moved", "100"}})));
  // The tick launched some of them since.
  auto before = Sets();
  ASSERT_EQ(8u, before.size());
  const PackedTime launched[] = {1000, 1000, 0, 500, 600, 700, 800, 1000};
  for (size_t i = 0; i < before.size(); ++i)
    if (launched[i]) const_cast<BackupSetEntry*>(before[i])->LastRunTime = launched[i];

  ASSERT_EQ(0, Load(SetListOf({{"1", "Daily", "900"}, {"2", "weekly", "900"}, {"3", "Monthly", "1200"},
                               {"4", "New", "0"}, {"5", "Same", "100"}, {"6", "Same", "100"},
                               {"7", "", "100"}, {"8", "", "100"}, {"19", "Moved", "100"}})));
  auto after = Sets();
  const struct {
    const char* what;
    PackedTime expected;
  } expected[] = {{"same set: the launch time stays", 1000},
                  {"renamed set keeps its own time", 1000},
                  {"a newer stored time wins", 1200},
                  {"new set", 0},
                  {"first of two with one name", 500},
                  {"second of two with one name", 600},
                  {"first unnamed", 700},
                  {"second unnamed", 800},
                  {"new number, known name", 1000}};
  ASSERT_EQ(sizeof expected / sizeof expected[0], after.size());
  for (size_t i = 0; i < after.size(); ++i)
    EXPECT_EQ(expected[i].expected, after[i]->LastRunTime) << expected[i].what;
}

TEST_F(SettingsLoad, NoSetListKeepsTheOldListAndAnEmptyOneEmptiesIt) {
  ASSERT_EQ(0, Load(SetListOf({{"1", "Daily", "900"}})));
  const BackupSetEntry* kept = BackupSetList;
  ASSERT_NE(nullptr, kept);
  ASSERT_EQ(0, Load(Described(R"(
"SchedulerPreferences"
  "SettleTime" = "3"
)")));
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(3, Preferences.SettleTime);
  ASSERT_EQ(0, Load(Described(R"("Backup Set List")")));
  EXPECT_EQ(nullptr, BackupSetList);
}

TEST_F(SettingsLoad, MissingFileChangesNothingAndDoesNotWait) {
  ASSERT_EQ(0, Load(Described(kSettleEightAndOneSet)));
  const BackupSetEntry* kept = BackupSetList;
  PackedTime loaded = LoadedConfigTime;
  std::string missing = dir_.File("NoSuch.hdb");
  EXPECT_EQ(-1, LoadSettingsFromDatabase(missing.c_str(), CountingSleep));
  EXPECT_EQ(-1, LoadSettingsFromDatabase(nullptr, CountingSleep));
  EXPECT_EQ(0, g_sleeps);
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(8, Preferences.SettleTime);
  EXPECT_EQ(loaded, LoadedConfigTime);
}

// One load never keeps the window thread longer than about a second; later
// ticks try again (settings_reload).
TEST_F(SettingsLoad, AFileThatNeverOpensIsGivenUpWithinASecondAsUnreadable) {
  ASSERT_EQ(0, Load(Described(kSettleEightAndOneSet)));
  const BackupSetEntry* kept = BackupSetList;
  // Shorter than the 256-byte header: no open can succeed.
  for (size_t size : {size_t{0}, size_t{100}, size_t{200}}) {
    std::string garbage = dir_.File("Garbage.hdb");
    ASSERT_TRUE(testsupport::WriteBytes(garbage, std::vector<unsigned char>(size, 0x5A)));
    g_sleeps = 0;
    SettingsLoadResult why = SettingsLoadResult::Loaded;
    EXPECT_EQ(-1, LoadSettingsFromDatabase(garbage.c_str(), CountingSleep, &why)) << size;
    EXPECT_EQ(SettingsLoadResult::Unreadable, why) << size;
    EXPECT_GE(g_sleeps, 1) << "a locked file deserves a few tries";
    EXPECT_LE(g_sleeps * static_cast<int>(DatabaseOpenRetryMilliseconds), 1000) << size;
  }
  EXPECT_EQ(kept, BackupSetList);
  EXPECT_EQ(8, Preferences.SettleTime);
}

TEST_F(SettingsLoad, ARepeatedChildEntryEndsTheEnumeration) {
  ASSERT_TRUE(WriteDatabase(path_, SetListOf({{"1", "A", "0"}, {"2", "B", "0"}, {"3", "C", "0"}})));
  // Damage the children table of "Backup Set List": its third entry now names
  // the first set again.
  std::vector<unsigned char> bytes = testsupport::ReadBytes(path_);
  const std::string listName = "Backup Set List";
  auto at = std::search(bytes.begin(), bytes.end(), listName.begin(), listName.end());
  ASSERT_NE(bytes.end(), at);
  size_t table = static_cast<size_t>(at - bytes.begin()) + listName.size();
  ASSERT_LE(table + 24, bytes.size());
  memcpy(&bytes[table + 16], &bytes[table], 8);
  ASSERT_TRUE(testsupport::WriteBytes(path_, bytes));

  ASSERT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountingSleep));
  auto sets = Sets();
  ASSERT_EQ(2u, sets.size());
  EXPECT_STREQ("A", sets[0]->Name);
  EXPECT_STREQ("B", sets[1]->Name);
}

TEST_F(SettingsLoad, ATruncatedFileNeverYieldsUnterminatedNames) {
  std::vector<ObjectNode> sets;
  for (int i = 1; i <= 20; ++i)
    sets.push_back(Set(std::to_string(i), {{"Name", std::string(70, 'n')}, {"ScheduleAutomatic", "1"}}));
  ASSERT_TRUE(WriteDatabase(path_, Root({SetList(sets)})));
  std::vector<unsigned char> bytes = testsupport::ReadBytes(path_);
  for (size_t keep : {bytes.size() / 2, bytes.size() - 300, size_t{700}}) {
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
    ASSERT_TRUE(testsupport::WriteBytes(path_, cut));
    int r = LoadSettingsFromDatabase(path_.c_str(), CountingSleep);
    EXPECT_TRUE(r == 0 || r == -1);
    size_t count = 0;
    for (const BackupSetEntry* e = BackupSetList; e; e = e->next) {
      EXPECT_LE(strlen(e->Name), static_cast<size_t>(BackupSetNameLength));
      ++count;
    }
    EXPECT_LE(count, 20u);
  }
}

#ifndef _WIN32
// Native only: a Windows reader's open keeps others from writing the file,
// which these tests do while it is being read.

// The file as the main program saves it: every set's hour is the version's.
std::vector<unsigned char> Version(TempDirectory& dir, int hour) {
  std::vector<ObjectNode> sets;
  for (int i = 1; i <= 50; ++i)
    sets.push_back(Set(std::to_string(i), {{"Name", "Set " + std::to_string(i)},
                                           {"ScheduleBackupTimeHour", std::to_string(hour)}}));
  std::string path = dir.File("version" + std::to_string(hour) + ".hdb");
  EXPECT_TRUE(WriteDatabase(path, Root({SetList(sets)})));
  return testsupport::ReadBytes(path);
}

// The hour every set has, -1 for a mix (or sets missing).
int WholeVersion(const BackupSetEntry* list) {
  int hour = list ? list->ScheduleBackupTimeHour : -1, count = 0;
  for (const BackupSetEntry* e = list; e; e = e->next, ++count)
    if (e->ScheduleBackupTimeHour != hour) return -1;
  return count == 50 ? hour : -1;
}

// What the file becomes between the two reads of a snapshot: the other
// version, written a given number of seconds later than it was.
std::string g_path;
std::vector<unsigned char> g_versions[2];
int g_changesLeft = 0, g_nextVersion = 0, g_secondsLater = 0;
void SaveOtherVersion(const char* path) {
  if (g_changesLeft == 0 || g_path != path) return;
  --g_changesLeft;
  auto written = std::filesystem::last_write_time(g_path);
  ASSERT_TRUE(testsupport::WriteBytes(g_path, g_versions[g_nextVersion]));
  std::filesystem::last_write_time(g_path, written + std::chrono::seconds(g_secondsLater));
  g_nextVersion ^= 1;
}

class SettingsLoadWhileSaved : public SettingsLoad {
 protected:
  void SetUp() override {
    SettingsLoad::SetUp();
    g_versions[0] = Version(dir_, 1);
    g_versions[1] = Version(dir_, 2);
    ASSERT_EQ(g_versions[0].size(), g_versions[1].size()) << "one shape, two versions";
    g_path = path_;
    SetSnapshotReadHook(SaveOtherVersion);
  }
  void TearDown() override {
    SetSnapshotReadHook(nullptr);
    g_changesLeft = 0;
    SettingsLoad::TearDown();
  }
};

TEST_F(SettingsLoadWhileSaved, AFileThatKeepsChangingIsTriedAFewTimesThenTheOldListStays) {
  ASSERT_TRUE(testsupport::WriteBytes(path_, g_versions[0]));
  ASSERT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountingSleep));
  const BackupSetEntry* kept = BackupSetList;
  const PackedTime loaded = LoadedConfigTime;
  ASSERT_EQ(1, WholeVersion(kept));
  g_sleeps = 0;
  g_changesLeft = 1000;
  g_nextVersion = 1;
  g_secondsLater = 10;
  SettingsLoadResult why = SettingsLoadResult::Loaded;
  EXPECT_EQ(-1, LoadSettingsFromDatabase(path_.c_str(), CountingSleep, &why));
  EXPECT_EQ(SettingsLoadResult::Changing, why);
  EXPECT_EQ(SnapshotAttempts - 1, g_sleeps);
  EXPECT_EQ(kept, BackupSetList) << "the previous list stays in force";
  EXPECT_EQ(loaded, LoadedConfigTime);
}

// The loaded time is the loaded version's: a change made during the load is
// the version loaded, or is seen as a change afterwards.
TEST_F(SettingsLoadWhileSaved, AChangeMadeDuringALoadIsLoadedWithItsOwnTime) {
  ASSERT_TRUE(testsupport::WriteBytes(path_, g_versions[0]));
  g_changesLeft = 1;
  g_nextVersion = 1;
  g_secondsLater = 20;
  ASSERT_EQ(0, LoadSettingsFromDatabase(path_.c_str(), CountingSleep));
  EXPECT_EQ(2, WholeVersion(BackupSetList));
  EXPECT_EQ(1, g_sleeps);
  FileManager files;
  EXPECT_EQ(files.FileWriteTime(path_.c_str()), LoadedConfigTime);
}

// Another thread saves the file in place between the two versions, and waits
// after each save until some load has succeeded; every load that succeeds
// holds one whole version. Each save is one write call: a writer stalled half
// way through a save for a whole load (as a thread descheduled on a busy
// machine can be) leaves a file that no reader can tell from a whole one, and
// the change it makes next is then loaded as a change (see file_snapshot.h).
TEST_F(SettingsLoadWhileSaved, ALoadWhileTheFileIsRewrittenNeverReturnsAMix) {
  SetSnapshotReadHook(nullptr);
  ASSERT_TRUE(testsupport::WriteBytes(path_, g_versions[0]));
  const int saves = 100;
  std::atomic<int> succeeded{0};
  std::atomic<bool> done{false};
  std::thread writer([&] {
    FILE* f = fopen(path_.c_str(), "r+b");
    if (f) setvbuf(f, nullptr, _IONBF, 0);
    for (int save = 0; f && save < saves; ++save) {
      const std::vector<unsigned char>& v = g_versions[(save + 1) % 2];
      fseek(f, 0, SEEK_SET);
      fwrite(v.data(), 1, v.size(), f);
      const int before = succeeded.load();
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (succeeded.load() == before && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    }
    if (f) fclose(f);
    done = true;
  });
  int mixed = 0;
  while (!done) {
    FreeBackupSetList();
    if (LoadSettingsFromDatabase(path_.c_str(), CountingSleep) != 0) continue;
    if (WholeVersion(BackupSetList) < 0) ++mixed;
    ++succeeded;
  }
  writer.join();
  EXPECT_EQ(0, mixed);
  EXPECT_GE(succeeded.load(), saves);
}
#endif

TEST(DecimalTextValue, ConvertsLikeTheStandardLibraryWithoutOverflowing) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {{"0", 0},         {"22", 22},        {" \t-15", -15},      {"+8", 8},
               {"12abc", 12},    {"abc", 0},        {"", 0},              {"- 5", 0},
               {"2147483647", 2147483647},          {"3000000000", static_cast<int32_t>(3000000000u)},
               {"4294967296", 0}, {"-2147483648", INT32_MIN}};
  for (const Case& c : cases) EXPECT_EQ(c.expected, DecimalTextValue(c.text)) << c.text;
  EXPECT_EQ(0, DecimalTextValue(nullptr));
}

TEST(BuildClientConfigPath, AddsASeparatorOnlyWhenMissing) {
  char out[PathBufferSize];
  ASSERT_EQ(0, BuildClientConfigPath("C:\\Backups", out));
  EXPECT_STREQ("C:\\Backups\\ClientConfig.hdb", out);
  ASSERT_EQ(0, BuildClientConfigPath("C:\\Backups\\", out));
  EXPECT_STREQ("C:\\Backups\\ClientConfig.hdb", out);
  ASSERT_EQ(0, BuildClientConfigPath("\\\\server\\share/", out));
  EXPECT_STREQ("\\\\server\\share/ClientConfig.hdb", out);
  ASSERT_EQ(0, BuildClientConfigPath("C:", out));
  EXPECT_STREQ("C:\\ClientConfig.hdb", out);
}

TEST(BuildClientConfigPath, RefusesWhatDoesNotFitAPathBuffer) {
  char out[PathBufferSize];
  std::string longest(PathBufferSize - 1 - 17, 'd');  // room for "\ClientConfig.hdb"
  ASSERT_EQ(0, BuildClientConfigPath(longest.c_str(), out));
  EXPECT_EQ(static_cast<size_t>(PathBufferSize - 1), strlen(out));
  std::string tooLong = longest + "d";
  EXPECT_EQ(-1, BuildClientConfigPath(tooLong.c_str(), out));
  std::string huge(1000, 'd');
  EXPECT_EQ(-1, BuildClientConfigPath(huge.c_str(), out));
}

}  // namespace

// A file that failed to load is not loaded again tick after tick: a locked one
// on the next few ticks, anything else once a minute, and at once when it changes.
TEST(SettingsReload, AFailedFileIsRetriedSparinglyAndAChangedOneAtOnce) {
  const ConfigFileStamp a = {1000, 512}, b = {1001, 512}, c = {1000, 768};
  SettingsReloadState s;
  EXPECT_EQ(ReloadAction::ReloadAndAnnounce, DecideReload(s, a, 0)) << "never loaded";
  NoteLoad(s, SettingsLoadResult::Loaded, a, 0);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, a, 10000));
  EXPECT_EQ(ReloadAction::ReloadAndAnnounce, DecideReload(s, b, 10000)) << "newer time";
  EXPECT_EQ(ReloadAction::ReloadAndAnnounce, DecideReload(s, c, 10000)) << "same second, other size";

  NoteLoad(s, SettingsLoadResult::Unreadable, b, 20000);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, b, 30000));
  EXPECT_EQ(ReloadAction::None, DecideReload(s, b, 20000 + FailedRetryMilliseconds - 1));
  EXPECT_EQ(ReloadAction::Retry, DecideReload(s, b, 20000 + FailedRetryMilliseconds));
  EXPECT_EQ(ReloadAction::ReloadAndAnnounce, DecideReload(s, c, 30000)) << "changed again";

  unsigned long tick = 0xFFFFF000UL;  // across the wrap of the millisecond counter
  NoteLoad(s, SettingsLoadResult::Locked, c, tick);
  int retries = 0;
  for (; retries < 20 && DecideReload(s, c, tick + 10000) == ReloadAction::Retry; ++retries) {
    tick += 10000;
    NoteLoad(s, SettingsLoadResult::Locked, c, tick);
  }
  EXPECT_EQ(LockedRetryTicks, retries) << "about as many tries as one load used to wait";
  EXPECT_EQ(ReloadAction::Retry, DecideReload(s, c, tick + FailedRetryMilliseconds));
  NoteLoad(s, SettingsLoadResult::Loaded, c, tick);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, c, tick + FailedRetryMilliseconds));

  // A file that kept changing while read: tried at every check, changed or
  // not, and announced only by the load that succeeds.
  NoteLoad(s, SettingsLoadResult::Changing, a, tick);
  EXPECT_EQ(ReloadAction::Retry, DecideReload(s, a, tick + 10000));
  EXPECT_EQ(ReloadAction::Retry, DecideReload(s, b, tick + 10000));
  NoteLoad(s, SettingsLoadResult::Loaded, b, tick + 10000);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, b, tick + 20000));
}

// FAT keeps times to two seconds: a version read that soon after its write may
// hide a second save of the same size and stamp. It is loaded once more at a
// check at least two seconds on, and then stands.
TEST(SettingsReload, AVersionReadWithinTwoSecondsOfItsWriteIsLoadedOnceMore) {
  const ConfigFileStamp a = {1000, 512};
  EXPECT_TRUE(ReadNearItsWrite(1001, a.WriteTime));
  EXPECT_FALSE(ReadNearItsWrite(1002, a.WriteTime));
  EXPECT_TRUE(ReadNearItsWrite(900, a.WriteTime)) << "a file whose clock runs ahead";
  SettingsReloadState s;
  NoteLoad(s, SettingsLoadResult::Loaded, a, 5000, true);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, a, 6999));
  EXPECT_EQ(ReloadAction::ReloadAndAnnounce, DecideReload(s, a, 7000));
  NoteLoad(s, SettingsLoadResult::Loaded, a, 7000, true);
  EXPECT_EQ(ReloadAction::None, DecideReload(s, a, 70000)) << "loaded twice, two seconds apart";
}
