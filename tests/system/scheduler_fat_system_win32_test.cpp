// The real Tickwarden with ClientConfig.hdb on what behaves as FAT (see
// scheduler_fat.cmake): file times cut to two seconds, and a directory entry
// whose size can lag behind the open file's. The stand-in main program is
// not needed: message 1031 answers the next backup time of the list in force.
#include "scheduler_fixture_win32.h"

namespace {

using namespace schedtest;

const std::string kConfig = "\\ClientConfig.hdb";

testconfig::Keys Daily(const std::string& name, int hour) {
  return {{"Name", name},          {"ScheduleAutomatic", "1"}, {"SchedulePerScheduleFlag", "1"},
          {"ScheduleDaysFlags", "127"}, {"ScheduleBackupTimeHour", std::to_string(hour)},
          {"ScheduleBackupTimeMinute", "0"}};
}

int CountFound(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The file's last-write time, in 100 ns units of FILETIME.
bool SetWriteTime(const std::string& path, ULONGLONG when) {
  HANDLE f = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  FILETIME t = {static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)};
  const bool set = SetFileTime(f, nullptr, nullptr, &t) != FALSE;
  CloseHandle(f);
  return set;
}

ULONGLONG Now() {
  FILETIME t;
  GetSystemTimeAsFileTime(&t);
  return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

const ULONGLONG kSecond = 10000000ULL;

// The size of the open file (the directory entry may say otherwise).
DWORD OpenFileSize(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  const DWORD size = GetFileSize(f, nullptr);
  CloseHandle(f);
  return size;
}

unsigned HourOf(DWORD_PTR packed) { return static_cast<unsigned>((packed / 3600) % 24); }

class SchedulerFatTest : public SchedulerTest {
 protected:
  void SetUp() override {
    SchedulerTest::SetUp();
    char lag[MAX_PATH] = "";
    ASSERT_GT(GetEnvironmentVariableA("TW_FAT_LAG", lag, sizeof lag), 0u) << "run through CTest: the preload is set there";
    // The flag's host path, as Wine's drive Z: shows it.
    lag_ = std::string("Z:") + lag;
    for (char& c : lag_)
      if (c == '/') c = '\\';
    DeleteFileA(lag_.c_str());
  }
  void TearDown() override {
    DeleteFileA(lag_.c_str());
    SchedulerTest::TearDown();
  }
  std::string lag_;
};

// While the main program keeps the file open, its directory entry may show an
// older size than the open file: what a load took and what the check compares
// come from the one entry, so the scheduler does not load it again at every
// check.
TEST_F(SchedulerFatTest, ADirectoryEntryBehindTheOpenFileDoesNotReloadAtEveryCheck) {
  config_.AddSet("2", Daily("nightly", 23));
  WriteConfig();
  const std::string file = data_ + kConfig;
  ASSERT_TRUE(SetWriteTime(file, Now() - 3600 * kSecond));  // saved long before: nothing to confirm
  ASSERT_TRUE(testwatch::WriteText(lag_, std::to_string(OpenFileSize(file) - 256)));
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR ignored = 0;
  for (int tick = 0; tick < 3; ++tick) ASSERT_TRUE(SendMessageTimeoutA(w, WM_TIMER, 1, 0, SMTO_NORMAL, 20000, &ignored));
  // Whatever the ticks asked for comes before the close; the window goes once
  // the log is written.
  PostMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(0u, ExitCodeAfter(scheduler_, 20000));
  EXPECT_EQ(1, CountFound(SupportLog(), " settings 1 sets loaded")) << SupportLog();
}

// Two saves of the same size within one two-second step of FAT show the same
// stamp. The first is loaded just after its write; the second must still be
// loaded, by the check that loads such a version once more.
TEST_F(SchedulerFatTest, ASecondSaveOfTheSameSizeWithinTwoSecondsIsLoaded) {
  config_.AddSet("2", Daily("nightly", 22));
  WriteConfig();
  const std::string file = data_ + kConfig;
  // A step a minute ahead (a share whose clock runs ahead): the load is within
  // it however long the start takes.
  const ULONGLONG step = (Now() / (2 * kSecond) + 30) * 2 * kSecond;
  ASSERT_TRUE(SetWriteTime(file, step + kSecond / 5));
  const DWORD size = OpenFileSize(file);
  HWND w = StartScheduler();
  ASSERT_NE(nullptr, w);
  DWORD_PTR next = 0;
  ASSERT_TRUE(SendMessageTimeoutA(w, 1031, 0, 0, SMTO_NORMAL, 10000, &next));
  ASSERT_EQ(22u, HourOf(next));
  config_.Sets.clear();
  config_.AddSet("2", Daily("nightly", 23));
  WriteConfig();
  ASSERT_EQ(size, OpenFileSize(file)) << "the second save is to be of the same size";
  ASSERT_TRUE(SetWriteTime(file, step + kSecond * 7 / 5));
  // The timer's first check comes ten seconds after the start.
  EXPECT_TRUE(PollUntil([&] {
    return SendMessageTimeoutA(w, 1031, 0, 0, SMTO_NORMAL, 10000, &next) && HourOf(next) == 23;
  }, 40000)) << "still the first save: the next backup at " << HourOf(next) << ":00\n" << SupportLog();
}

}  // namespace
