// The assistant's texts and its requests, called directly: the string table
// must name the same windows and files the other programs use, and an
// assistant that does not know its own folder starts nothing.
#include "assistant/assistant_requests.h"

#include <gtest/gtest.h>

#include <string>

#include "../../support/program_watch_win32.h"
#include "assistant/tickwardenaide_ids.h"
#include "common/main_program_launch.h"
#include "common/program_messages.h"
#include "common/string_table.h"

namespace {

TEST(AssistantStrings, NameTheSameWindowsAndFilesAsTheOtherPrograms) {
  EXPECT_STREQ(tw::kAssistantClass, LoadText(IDS_ASSISTANT_CLASS));
  EXPECT_STREQ(tw::kAssistantTitle, LoadText(IDS_ASSISTANT_TITLE));
  EXPECT_STREQ(tw::kMainProgramClass, LoadText(IDS_MAIN_PROGRAM_CLASS));
  EXPECT_STREQ(tw::kMainProgramFile, LoadText(IDS_MAIN_PROGRAM_FILE));
  EXPECT_STREQ(tw::kSchedulerClass, LoadText(IDS_SCHEDULER_CLASS));
}

TEST(AssistantStartup, TheIconAndManifestAreBuiltIn) {
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_NE(nullptr, FindResourceA(self, MAKEINTRESOURCEA(IDI_ASSISTANT), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
  EXPECT_NE(nullptr, FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)));  // RT_MANIFEST
}

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
