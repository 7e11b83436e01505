// The uninstaller's end request, as the scheduler and the assistant read it:
// in force only in its own folder and only while fresh, so that one left by
// an uninstall that broke off does not end a later installation's programs.
#include "common/end_request.h"

#include <gtest/gtest.h>

#include "program_watch_win32.h"

namespace {

// Sets the request's last write to now - ageSeconds.
bool AgeRequest(const std::string& file, long long ageSeconds) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= static_cast<ULONGLONG>(ageSeconds * 10000000LL);
  FILETIME when = {t.LowPart, t.HighPart};
  HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = SetFileTime(h, nullptr, nullptr, &when);
  CloseHandle(h);
  return ok != FALSE;
}

TEST(EndRequest, InForceInItsOwnFolderWhileFresh) {
  testwatch::ScratchFolder installation("end"), other("end-other");
  EXPECT_FALSE(EndRequested(installation.Path().c_str()));
  ASSERT_TRUE(WriteEndRequest(other.Path().c_str()));
  EXPECT_FALSE(EndRequested(installation.Path().c_str()));
  ASSERT_TRUE(WriteEndRequest(installation.Path().c_str()));
  EXPECT_TRUE(EndRequested(installation.Path().c_str()));
  const struct {
    long long age;
    bool inForce;
  } cases[] = {{590, true}, {-60, true}, {610, false}, {-610, false}, {86400, false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(AgeRequest(installation / "EndRequest.txt", c.age));
    EXPECT_EQ(c.inForce, EndRequested(installation.Path().c_str())) << c.age << " s old";
  }
  EXPECT_FALSE(EndRequested(""));
  EXPECT_FALSE(EndRequested(nullptr));
}

}  // namespace
