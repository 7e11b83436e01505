// Joining a folder and a name, and adding a trailing separator: every room
// builds its paths with these, so the separator test steps by character.
#include "platform/path_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page_932.h"

namespace {

TEST(JoinPath, AddsOneSeparatorAndRefusesWhatCannotBeAPath) {
  cp932::Scope japanese;
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;  // null: refused
  } const cases[] = {
      {"D:\\Backups", "Repository", "D:\\Backups\\Repository"},
      {"D:\\Backups\\", "Repository", "D:\\Backups\\Repository"},
      {"D:\\", "*.*", "D:\\*.*"},
      {"\\\\server\\share/", "Logs", "\\\\server\\share/Logs"},
      {"C:", "ClientConfig.hdb", "C:\\ClientConfig.hdb"},
      // 表 ends in the byte '\' but is no separator.
      {"C:\\" CP932_ICHIRAN CP932_HYOU, "Logs", "C:\\" CP932_ICHIRAN CP932_HYOU "\\Logs"},
      {"C:\\" CP932_ICHIRAN CP932_HYOU "\\", "Logs", "C:\\" CP932_ICHIRAN CP932_HYOU "\\Logs"},
      // An empty folder would make the name relative to the current folder.
      {"", "Tickwarden.exe", nullptr},
      {nullptr, "Tickwarden.exe", nullptr},
  };
  for (const Case& c : cases) {
    char out[PathBufferSize] = "x";
    const bool joined = JoinPath(out, sizeof out, c.folder, c.name);
    EXPECT_EQ(c.expected != nullptr, joined) << (c.folder ? c.folder : "(null)");
    EXPECT_STREQ(c.expected ? c.expected : "", out) << (c.folder ? c.folder : "(null)");
  }
  char out[PathBufferSize];
  ASSERT_TRUE(JoinPath(out, sizeof out, "/tmp/repo", "Logs", '/'));
  EXPECT_STREQ("/tmp/repo/Logs", out);
}

TEST(JoinPath, RefusesWhatWouldExceed259CharactersInsteadOfCuttingIt) {
  char out[PathBufferSize];
  const std::string folder = "C:\\" + std::string(250, 'f');  // 253 characters
  ASSERT_TRUE(JoinPath(out, sizeof out, folder.c_str(), "12345"));
  EXPECT_EQ(259u, std::string(out).size());
  EXPECT_FALSE(JoinPath(out, sizeof out, folder.c_str(), "123456"));
  EXPECT_STREQ("", out);
  EXPECT_FALSE(JoinPath(out, 0, "C:", "x"));
}

TEST(AppendBackslash, AddsOnlyWhenMissingAndOnlyWhereItFits) {
  cp932::Scope japanese;
  struct Case {
    const char* text;
    size_t size;
    const char* expected;
  } const cases[] = {
      {"C:", PathBufferSize, "C:\\"},
      {"C:\\", PathBufferSize, "C:\\"},
      {"dir/", PathBufferSize, "dir/"},
      {"", PathBufferSize, ""},
      {"C:\\" CP932_HYOU, PathBufferSize, "C:\\" CP932_HYOU "\\"},
      {"abc", 4, "abc"},
      {"abc", 5, "abc\\"},
  };
  for (const Case& c : cases) {
    char text[PathBufferSize];
    snprintf(text, sizeof text, "%s", c.text);
    AppendBackslash(text, c.size);
    EXPECT_STREQ(c.expected, text) << c.text;
  }
  AppendBackslash(nullptr);
}

}  // namespace
