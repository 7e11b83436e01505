// Writing the support log into <repository>\Logs: lines wait while the folder
// cannot be written, or while another scheduler writes, and are all written,
// with a word on what was lost, once it can; at 256 KB the log becomes
// Tickwarden.old.log.
#include "scheduler/support_log.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "program_watch_win32.h"

namespace {

TEST(SupportLogFile, WaitsForTheRepositoryThenWritesAndTurnsOver) {
  SupportLogBuffer& pending = PendingSupportLog();
  pending.Consume(pending.Size());
  pending.ClearDropped();
  const std::string repo = testwatch::MakeTempFolder("logrepo");
  const std::string away = repo + "\\gone", log = repo + "\\Logs\\Tickwarden.log";

  SupportLogLine("offline", away.c_str());
  FlushSupportLog(away.c_str());  // no such folder: nothing written, nothing lost
  EXPECT_GT(pending.Size(), 0u);
  const std::string filler(500, 'x');
  for (size_t i = 0; i < 2 * SupportLogBufferBytes / 500; ++i) SupportLogLine("settings", filler.c_str());
  FlushSupportLog(repo.c_str());
  EXPECT_EQ(0u, pending.Size());
  std::string text = testwatch::ReadText(log);
  EXPECT_NE(std::string::npos, text.find(" offline ")) << "the notice of lost lines";
  EXPECT_NE(std::string::npos, text.find("earlier lines were lost"));
  EXPECT_LE(text.size(), SupportLogBufferBytes + 200);

  // Another scheduler's flush holds the lock.
  HANDLE other = CreateFileA((repo + "\\Logs\\Tickwarden.lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  ASSERT_TRUE(LockFile(other, 0, 0, 1, 0));
  SupportLogLine("settings", "while another writes");
  FlushSupportLog(repo.c_str());
  EXPECT_EQ(std::string::npos, testwatch::ReadText(log).find("while another writes"));
  UnlockFile(other, 0, 0, 1, 0);
  CloseHandle(other);
  FlushSupportLog(repo.c_str());
  EXPECT_EQ(0u, pending.Size());
  EXPECT_NE(std::string::npos, testwatch::ReadText(log).find("while another writes"));

  for (int round = 0; round < 6; ++round) {
    for (size_t i = 0; i < SupportLogBufferBytes / 600; ++i) SupportLogLine("settings", filler.c_str());
    FlushSupportLog(repo.c_str());
  }
  const std::string old = testwatch::ReadText(repo + "\\Logs\\Tickwarden.old.log");
  EXPECT_GT(old.size(), SupportLogMaxBytes / 2);
  EXPECT_LE(old.size(), SupportLogMaxBytes);
  EXPECT_LE(testwatch::ReadText(log).size(), SupportLogMaxBytes);
  testwatch::Wipe(repo);
}

}  // namespace
