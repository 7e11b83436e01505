// The assistant ends on its own timer when the uninstaller of its
// installation asks, also with no scheduler there to close it; another
// installation's request is not its.
#include "assistant/end_request_watch.h"

#include <gtest/gtest.h>

#include "../../support/program_watch_win32.h"
#include "assistant/assistant_window.h"
#include "common/end_request.h"

namespace {

TEST(AssistantEndRequest, TheWindowEndsWhenItsInstallationsUninstallerAsks) {
  testwatch::ScratchFolder installation("aide"), other("aide-other");
  HINSTANCE instance = GetModuleHandleA(nullptr);
  ASSERT_TRUE(RegisterAssistantClass(instance, "PwTestAssistantClass", nullptr));
  HWND window = CreateAssistantWindow(instance, "PwTestAssistantClass", "test", installation.Path().c_str());
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(WriteEndRequest(other.Path().c_str()));
  EXPECT_FALSE(EndIfUninstallAsks(window, installation.Path().c_str()));
  ASSERT_TRUE(WriteEndRequest(installation.Path().c_str()));
  EXPECT_TRUE(testwatch::PollUntil(
      [&] {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        return !IsWindow(window);
      },
      3 * kEndRequestTimerMs));
  UnregisterClassA("PwTestAssistantClass", instance);
}

}  // namespace
