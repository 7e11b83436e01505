// The directory walk's decision per entry and the path joining beneath it:
// links are never followed, "." and ".." are skipped, over-long paths refused.
#include "platform/path_rules.h"
#include "uninstall/tree_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using pw::TreeEntryAction;
constexpr unsigned long kDir = pw::kAttributeDirectory;
constexpr unsigned long kLink = pw::kAttributeReparsePoint;

TEST(TreeEntry, FoldersAreEnteredAndFilesDeleted) {
  EXPECT_EQ(TreeEntryAction::DescendDirectory, pw::DecideTreeEntry("help", kDir));
  EXPECT_EQ(TreeEntryAction::DescendDirectory, pw::DecideTreeEntry("h", kDir | 0x1 | 0x2 | 0x4));
  EXPECT_EQ(TreeEntryAction::DeleteFile, pw::DecideTreeEntry("a.txt", 0x80));
  EXPECT_EQ(TreeEntryAction::DeleteFile, pw::DecideTreeEntry("...x", 0x1 | 0x2 | 0x4 | 0x20));
}

TEST(TreeEntry, DotEntriesAreSkipped) {
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry(".", kDir));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("..", kDir));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("..", kDir | kLink));
  EXPECT_EQ(TreeEntryAction::Skip, pw::DecideTreeEntry("", 0));
}

TEST(TreeEntry, LinksAreRemovedNeverFollowed) {
  EXPECT_EQ(TreeEntryAction::RemoveLinkFolder, pw::DecideTreeEntry("junction", kDir | kLink));
  EXPECT_EQ(TreeEntryAction::RemoveLinkFolder, pw::DecideTreeEntry("j", kDir | kLink | 0x1 | 0x2));
  EXPECT_EQ(TreeEntryAction::DeleteLinkFile, pw::DecideTreeEntry("file-link", kLink));
  EXPECT_EQ(TreeEntryAction::DeleteLinkFile, pw::DecideTreeEntry("f", kLink | 0x1 | 0x20));
}

}  // namespace
