// hdbtool's commands on real files: escaping, the description format, the
// dump/build round trip, and check on sound and damaged databases.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "database/database_manager.h"
#include "database_test_support.h"
#include "description.h"
#include "hdbtool_commands.h"
#include "text_escape.h"

namespace {

TEST(TextEscape, EscapesQuotesBackslashesAndNonPrintables) {
  EXPECT_EQ(EscapeText(std::string("a\"b\\c")), "a\\\"b\\\\c");
  EXPECT_EQ(EscapeText(std::string("\x01\x1F \x7E\x7F\xFF", 6)), "\\x01\\x1F ~\\x7F\\xFF");
  EXPECT_EQ(EscapeText(std::string("\0", 1)), "\\x00");
  EXPECT_EQ(QuoteText("x"), "\"x\"");
}

TEST(TextEscape, ParseQuotedReversesEscaping) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += (char)c;
  std::string quoted = QuoteText(all) + " rest";
  size_t pos = 0;
  std::string back, error;
  ASSERT_TRUE(ParseQuoted(quoted, pos, back, error)) << error;
  EXPECT_EQ(back, all);
  EXPECT_EQ(quoted.substr(pos), " rest");
  pos = 0;
  EXPECT_TRUE(ParseQuoted("\"\\x4a\\x4B\"", pos, back, error));
  EXPECT_EQ(back, "JK");
  for (const char* bad : {"\"open", "\"\\q\"", "\"\\x4\"", "noquote", "\"\\"}) {
    pos = 0;
    EXPECT_FALSE(ParseQuoted(bad, pos, back, error)) << bad;
  }
}

TEST(Description, ParsesNestingAndData) {
  ObjectNode root;
  std::string error;
  ASSERT_TRUE(ParseDescription("\"a\"\r\n  \"b\" = \"1\"\n\n    \"c\"\n  \"d\"\n\"e\" = \"\"\n", root, error)) << error;
  ASSERT_EQ(root.Children.size(), 2u);
  const ObjectNode& a = root.Children[0];
  EXPECT_EQ(a.Name, "a");
  ASSERT_EQ(a.Children.size(), 2u);
  EXPECT_EQ(a.Children[0].Data, "1");
  EXPECT_EQ(a.Children[0].Children[0].Name, "c");
  EXPECT_EQ(a.Children[1].Name, "d");
  EXPECT_EQ(root.Children[1].Data, "");
  EXPECT_EQ(FormatDescription(root), "\"a\"\n  \"b\" = \"1\"\n    \"c\"\n  \"d\"\n\"e\"\n");
}

TEST(Description, ReportsTheLineOfAnError) {
  ObjectNode root;
  std::string error;
  EXPECT_FALSE(ParseDescription("\"a\"\n    \"too deep\"\n", root, error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  EXPECT_FALSE(ParseDescription("\"a\"\n \"odd\"\n", root, error));
  EXPECT_FALSE(ParseDescription("\"a\" \"b\"\n", root, error));
  EXPECT_FALSE(ParseDescription("\"a\" = \"b\" x\n", root, error));
  EXPECT_FALSE(ParseDescription("a\n", root, error));
}

class HdbtoolTest : public ::testing::Test {
 protected:
  std::string Build(const std::string& description) {
    std::string in = dir.File("in.txt"), out = dir.File("out.hdb");
    WriteFileBytes(in, std::vector<unsigned char>(description.begin(), description.end()));
    std::ostringstream err;
    EXPECT_EQ(RunBuild(in.c_str(), out.c_str(), err), ExitClean) << err.str();
    return out;
  }
  std::string Dump(const std::string& path, int expected = ExitClean) {
    std::ostringstream out, err;
    EXPECT_EQ(RunDump(path.c_str(), out, err), expected) << err.str();
    return out.str();
  }
  std::string Check(const std::string& path, int expected) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCheck(path.c_str(), out, err), expected) << out.str() << err.str();
    return out.str();
  }
  TempDir dir;
};

const char Sample[] =
    "\"Backup Set List\"\n"
    "  \"Documents\" = \"1\"\n"
    "    \"ScheduleDaysFlags\" = \"127\"\n"
    "    \"Description\" = \"My \\\"files\\\" \\\\ here\\x0D\\x0A\\xE9\"\n"
    "  \"Pictures\"\n"
    "\"Preferences\"\n"
    "  \"SettleTime\" = \"5\"\n"
    "  \"\" = \"empty name\"\n";

TEST_F(HdbtoolTest, DumpOfBuildRoundTrips) {
  std::string path = Build(Sample);
  EXPECT_EQ(Dump(path), Sample);
  EXPECT_EQ(Check(path, ExitClean), "");
  DatabaseManager db;
  int h = db.OpenDatabase(path.c_str(), OpenReadOnly);
  int list = db.FindChild(h, 1, "Backup Set List");
  int docs = db.FindChild(h, list, "Documents");
  char value[8];
  EXPECT_EQ(db.ReadData(h, db.FindChild(h, docs, "ScheduleDaysFlags"), value, 8), 3);
  db.CloseDatabase(h);
}

TEST_F(HdbtoolTest, LargeValuesAndManyChildrenRoundTrip) {
  std::string description = "\"Many\"\n";
  for (int i = 1; i <= 300; ++i) description += "  \"k" + std::to_string(i) + "\" = \"" + std::string(i, 'v') + "\"\n";
  std::string path = Build(description);
  EXPECT_TRUE(Dump(path) == description);  // too long to print on failure
  EXPECT_EQ(Check(path, ExitClean), "");
}

TEST_F(HdbtoolTest, EmptyDatabaseDumpsNothingAndChecksClean) {
  std::string path = dir.File("empty.hdb");
  DatabaseManager db;
  db.CloseDatabase(db.OpenDatabase(path.c_str(), OpenCreate));
  EXPECT_EQ(Dump(path), "");
  EXPECT_EQ(Check(path, ExitClean), "");
}

TEST_F(HdbtoolTest, UnreadableInputsExitWithTwo) {
  std::ostringstream out, err;
  std::string missing = dir.File("missing.hdb");
  EXPECT_EQ(RunDump(missing.c_str(), out, err), ExitUsage);
  EXPECT_EQ(RunCheck(missing.c_str(), out, err), ExitUsage);
  EXPECT_EQ(RunBuild(missing.c_str(), dir.File("o.hdb").c_str(), err), ExitUsage);
  std::string bad = dir.File("bad.txt");
  WriteFileBytes(bad, {'"', 'a'});
  EXPECT_EQ(RunBuild(bad.c_str(), dir.File("o.hdb").c_str(), err), ExitUsage);
  EXPECT_NE(err.str().find("line 1"), std::string::npos);
}

TEST_F(HdbtoolTest, CheckReportsDamage) {
  std::string path = dir.File("damaged.hdb");
  RawImage image(8);
  image.SetHeader(HeaderWriterOpenOffset, 0);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(3, "wrong"), Child(2, "a"), Child(4, "d"),
                                            Child(50, "x")}, ""));
  image.SmallObject(2, RawImage::Object("a", {Child(1, "")}, ""));  // back to the root
  image.SmallObject(3, RawImage::Object("b", {}, ""));
  std::string big(600, 'd');
  std::string d = RawImage::Object("d", {}, big);
  image.Stream({4, 5, 6}, d, (uint32_t)d.size());
  image.Link(6, 5, 2);  // the tail of d runs into object 2
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  EXPECT_NE(report.find("entry 1: hash"), std::string::npos) << report;
  EXPECT_NE(report.find("repeats child 2"), std::string::npos) << report;
  EXPECT_NE(report.find("outside the file"), std::string::npos) << report;
  EXPECT_NE(report.find("reached a second time"), std::string::npos) << report;
  EXPECT_NE(report.find("belongs to both"), std::string::npos) << report;
  // dump still prints what it can and says what it left out
  std::ostringstream out, err;
  EXPECT_EQ(RunDump(path.c_str(), out, err), ExitProblems);
  EXPECT_NE(out.str().find("\"a\"\n"), std::string::npos);
  EXPECT_NE(err.str().find("leads back"), std::string::npos) << err.str();
}

TEST_F(HdbtoolTest, CheckReportsShortChainsAndHeaders) {
  std::string path = dir.File("short.hdb");
  RawImage image(3);
  image.SetHeader(HeaderBlockCountOffset, 9);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
  image.Link(2, 700, 0);
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  EXPECT_NE(report.find("BlockCount 9 but the file holds 3"), std::string::npos) << report;
  EXPECT_NE(report.find("object 2: length 700 needs 3 blocks, the chain has 1"), std::string::npos) << report;
}

}  // namespace
