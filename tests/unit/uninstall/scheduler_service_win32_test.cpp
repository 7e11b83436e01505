// Removing the scheduler service through the test prefix's real service
// control manager.
#include "uninstall/scheduler_service.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "machine_state_win32.h"

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

  EXPECT_EQ(0, pw::RemoveSchedulerService(kService));
  EXPECT_FALSE(ServiceExists(kService));
}

TEST(RemoveSchedulerService, MissingServiceGivesMinusOneWithoutMessage) {
  EXPECT_EQ(-1, pw::RemoveSchedulerService("PwTest No Such Service"));
  EXPECT_EQ(-1, pw::RemoveSchedulerService(""));
}

}  // namespace
