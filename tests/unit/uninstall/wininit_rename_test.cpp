// Adding the copy's deletion to wininit.ini's [rename] section: a line of its
// own, every other line kept, whatever the file already holds.
#include "uninstall/wininit_rename.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

const char kLine[] = "NUL=C:\\WINDOWS\\TEMP\\PURGETMP.EXE";

std::string Added(const std::string& text, size_t size = 512) {
  char out[512];
  size_t n = pw::AddRenameLine(text.data(), text.size(), kLine, out, size);
  return n ? std::string(out, n) : std::string("<no room>");
}

TEST(WininitRename, AddsALineAndKeepsEveryOther) {
  const std::string line = std::string(kLine) + "\r\n";
  const struct {
    std::string before, after;
  } cases[] = {
      {"", "[rename]\r\n" + line},
      {"[rename]\r\nNUL=C:\\OTHER\\OLD.DLL\r\n", "[rename]\r\n" + line + "NUL=C:\\OTHER\\OLD.DLL\r\n"},
      {"[Other]\r\nNUL=x\r\n [RENAME] \r\nC:\\A.DLL=C:\\A.TMP\r\n",
       "[Other]\r\nNUL=x\r\n [RENAME] \r\n" + line + "C:\\A.DLL=C:\\A.TMP\r\n"},
      {"[rename]", "[rename]\r\n" + line},
      {"[boot]\nshell=x", "[boot]\nshell=x\r\n[rename]\r\n" + line},
      {"[renamed]\r\n", "[renamed]\r\n[rename]\r\n" + line},
  };
  for (const auto& c : cases) EXPECT_EQ(c.after, Added(c.before)) << c.before;
}

TEST(WininitRename, NothingIsWrittenWithoutRoom) {
  EXPECT_EQ("<no room>", Added("[rename]\r\nNUL=C:\\OTHER\\OLD.DLL\r\n", 20));
  char out[1];
  EXPECT_EQ(0u, pw::AddRenameLine("", 0, kLine, out, 0));
}

}  // namespace
