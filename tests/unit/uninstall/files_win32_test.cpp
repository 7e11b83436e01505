// Files under Wine. DeleteTree and the walk's per-entry step over real files under Wine: whole
// trees go whatever their attributes; links handed in through the entry seam
// are unlinked without touching their targets; over-long paths are skipped.
#include "uninstall/removal_steps.h"

#include <gtest/gtest.h>

#include <string>

#include "program_watch_win32.h"

namespace {

using testwatch::FileExists;
using testwatch::MakeFolder;
using testwatch::WriteText;

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool WriteLongNamedFile(const std::string& path) {
  HANDLE f = CreateFileW((L"\\\\?\\" + Wide(path)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  CloseHandle(f);
  return true;
}

bool LongNamedFileExists(const std::string& path) {
  return GetFileAttributesW((L"\\\\?\\" + Wide(path)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Read-only, hidden and system: the bits a reset would clear.
DWORD ProtectionBits(const std::string& path) {
  return GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

TEST(DeleteTree, RemovesNestedTreeWithReadOnlyHiddenAndSystemFiles) {
  testwatch::ScratchFolder scratch("tree");
  std::string help = scratch / "help";
  ASSERT_TRUE(MakeFolder(help));
  ASSERT_TRUE(MakeFolder(help + "\\en"));
  ASSERT_TRUE(MakeFolder(help + "\\en\\images"));
  ASSERT_TRUE(MakeFolder(help + "\\empty"));
  ASSERT_TRUE(WriteText(help + "\\index.html", "x", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteText(help + "\\en\\hidden.dat", "x", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WriteText(help + "\\en\\images\\sys.bin", "x", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
  SetFileAttributesA((help + "\\en").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteText(scratch / "sibling.txt", "stays"));

  pw::DeleteTree(help.c_str());

  EXPECT_FALSE(FileExists(help));
  EXPECT_TRUE(FileExists(scratch / "sibling.txt"));
  EXPECT_TRUE(FileExists(scratch.Path()));
}

TEST(DeleteTree, MissingOrTrailingBackslashFoldersAreHandled) {
  testwatch::ScratchFolder scratch("missing");
  pw::DeleteTree((scratch / "nothing-here").c_str());
  std::string config = scratch / "config";
  ASSERT_TRUE(MakeFolder(config));
  ASSERT_TRUE(WriteText(config + "\\a.ini", "x"));
  pw::DeleteTree((config + "\\").c_str());
  EXPECT_FALSE(FileExists(config));
}

TEST(TreeEntryStep, FolderLinkIsUnlinkedButNeverEntered) {
  testwatch::ScratchFolder scratch("dirlink");
  // A real folder reported as a junction: its contents stand for the target's.
  std::string linked = scratch / "linked";
  ASSERT_TRUE(MakeFolder(linked));
  ASSERT_TRUE(WriteText(linked + "\\users-document.txt", "not ours", FILE_ATTRIBUTE_READONLY));
  pw::RemoveTreeEntry(scratch.Path().c_str(), "linked", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_TRUE(FileExists(linked + "\\users-document.txt"));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, ProtectionBits(linked + "\\users-document.txt"));

  // The link itself goes: an entry with nothing behind it is removed.
  std::string bare = scratch / "bare-link";
  ASSERT_TRUE(MakeFolder(bare));
  pw::RemoveTreeEntry(scratch.Path().c_str(), "bare-link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(FileExists(bare));
}

TEST(TreeEntryStep, FileLinkIsDeletedWithoutResettingAttributes) {
  testwatch::ScratchFolder scratch("filelink");
  // Resetting a file link's attributes would reset its target's: a read-only
  // entry reported as a link keeps its attributes and, being read-only, stays.
  std::string guarded = scratch / "guarded.lnkfile";
  ASSERT_TRUE(WriteText(guarded, "target", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  pw::RemoveTreeEntry(scratch.Path().c_str(), "guarded.lnkfile",
                      FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(FileExists(guarded));
  EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), ProtectionBits(guarded));

  std::string plain = scratch / "plain.lnkfile";
  ASSERT_TRUE(WriteText(plain, "link"));
  pw::RemoveTreeEntry(scratch.Path().c_str(), "plain.lnkfile", FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(FileExists(plain));

  // The same read-only file as an ordinary entry is deleted.
  pw::RemoveTreeEntry(scratch.Path().c_str(), "guarded.lnkfile", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(FileExists(guarded));
}

TEST(TreeEntryStep, PathsBeyond259CharactersAreSkippedNotCut) {
  testwatch::ScratchFolder scratch("long");
  // A folder of exactly 200 characters, an entry of 100: 301 in all.
  std::string folder = scratch.Path() + "\\";
  folder += std::string(200 - folder.size(), 'd');
  ASSERT_EQ(200u, folder.size());
  ASSERT_TRUE(MakeFolder(folder));
  std::string longName = std::string(58, 'n') + std::string(42, 'z');
  ASSERT_TRUE(WriteLongNamedFile(folder + "\\" + longName));
  // The file that the entry's path would name if it were cut to 259 characters.
  std::string cutName = longName.substr(0, 259 - folder.size() - 1);
  ASSERT_TRUE(WriteText(folder + "\\" + cutName, "another file"));
  ASSERT_EQ(259u, (folder + "\\" + cutName).size());

  pw::RemoveTreeEntry(folder.c_str(), longName.c_str(), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(LongNamedFileExists(folder + "\\" + longName));
  EXPECT_TRUE(FileExists(folder + "\\" + cutName));

  // The whole walk: the entry that fits goes, the over-long one and so the
  // folder stay.
  pw::DeleteTree(folder.c_str());
  EXPECT_FALSE(FileExists(folder + "\\" + cutName));
  EXPECT_TRUE(LongNamedFileExists(folder + "\\" + longName));
  EXPECT_TRUE(FileExists(folder));
  DeleteFileW((L"\\\\?\\" + Wide(folder + "\\" + longName)).c_str());
}

}  // namespace
