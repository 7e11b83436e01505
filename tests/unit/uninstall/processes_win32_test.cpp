// Running programs: closing one by its window class, with real windows on a
// second thread of the test (an answering window goes; a hung one cannot hold
// the caller), and the scheduler service through the test prefix's real
// service control manager.
#include "uninstall/removal_steps.h"

#include <gtest/gtest.h>

#include "machine_state_win32.h"
#include "window_thread_win32.h"

namespace {

using testwatch::WindowThread;

const char kTitle[] = "test window";
// Longer than the code under test may wait for any one window.
const DWORD kHang = 60000;

TEST(CloseProgramWindow, AnsweringWindowIsClosed) {
  WindowThread program("PwTestAnsweringClass", kTitle, 0);
  ASSERT_NE(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  pw::CloseWindowOfClass("PwTestAnsweringClass", 0);
  EXPECT_EQ(nullptr, FindWindowA("PwTestAnsweringClass", nullptr));
  EXPECT_EQ(1, program.CloseCount());
}

TEST(CloseProgramWindow, MissingWindowIsPassedOverAndNoOtherIsClosed) {
  // A bystander titled like the missing class: only the class may match.
  WindowThread bystander("PwTestBystanderClass", "PwTestNoSuchClass", 0);
  ASSERT_NE(nullptr, FindWindowA("PwTestBystanderClass", nullptr));
  pw::CloseWindowOfClass("PwTestNoSuchClass", 0);
  EXPECT_EQ(0, bystander.CloseCount());
  EXPECT_NE(nullptr, FindWindowA("PwTestBystanderClass", nullptr));
}

TEST(CloseProgramWindow, HungWindowCannotHoldTheCaller) {
  WindowThread program("PwTestHungClass", kTitle, kHang);
  ASSERT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  // Returns although the window never finishes handling WM_CLOSE.
  pw::CloseWindowOfClass("PwTestHungClass", 0);
  EXPECT_EQ(1, program.CloseCount());
  EXPECT_NE(nullptr, FindWindowA("PwTestHungClass", nullptr));
  program.Release();
}

}  // namespace

namespace {

using testmachine::ServiceExists;

const char kService[] = "PwTest Scheduler Service";

TEST(RemoveSchedulerService, InstalledStoppedServiceIsDeleted) {
  char binary[MAX_PATH];
  GetModuleFileNameA(nullptr, binary, MAX_PATH);
  SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, m);
  SC_HANDLE s = CreateServiceA(m, kService, kService, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                               SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
  ASSERT_NE(nullptr, s);
  CloseServiceHandle(s);
  CloseServiceHandle(m);
  ASSERT_TRUE(ServiceExists(kService));

  EXPECT_TRUE(pw::RemoveSchedulerService(nullptr, kService));
  EXPECT_FALSE(ServiceExists(kService));
}

TEST(RemoveSchedulerService, MissingServiceIsNotFoundAndNoMessageShows) {
  EXPECT_FALSE(pw::RemoveSchedulerService(nullptr, "PwTest No Such Service"));
  EXPECT_FALSE(pw::RemoveSchedulerService(nullptr, ""));
}

}  // namespace
