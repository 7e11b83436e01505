// The assistant's requests, called directly: an assistant that does not know
// its own folder starts nothing. (Its texts, icon and manifest are checked in
// the real Tickwardenaide.exe by the system test.)
#include "assistant/assistant_requests.h"

#include <gtest/gtest.h>

#include <string>

#include "../../support/program_watch_win32.h"
#include "common/main_program_launch.h"
#include "common/program_messages.h"

namespace {

class AssistantWithoutAFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(nullptr, FindWindowA(tw::kSchedulerClass, nullptr));
    ASSERT_EQ(nullptr, FindWindowA(tw::kMainProgramClass, nullptr));
  }
};

TEST_F(AssistantWithoutAFolder, StartsNothingFromTheDriveRoot) {
  EXPECT_EQ(-1, StartSchedulerIfAbsent(""));
  EXPECT_EQ(-1, ServeBackupSetRequest("", 7));
  EXPECT_EQ(-1, ServeActionRequest(nullptr, tw::Open));
}

TEST_F(AssistantWithoutAFolder, AFolderWithoutTheProgramsStartsNothingEither) {
  std::string folder = testwatch::MakeTempFolder("aid");
  EXPECT_EQ(-1, StartSchedulerIfAbsent(folder.c_str()));
  EXPECT_EQ(-1, ServeBackupSetRequest(folder.c_str(), 7));
  EXPECT_EQ(-1, ServeActionRequest(folder.c_str(), tw::BackupAll));
  testwatch::Wipe(folder);
}

}  // namespace
