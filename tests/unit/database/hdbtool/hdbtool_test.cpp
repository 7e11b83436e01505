// hdbtool's commands on real files: escaping, the description format, the
// dump/build round trip, and check on sound and damaged databases.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "code_page_932.h"
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
  // Names as schedule prints them in code page 932: 表 (95 5C) whole, a lead
  // byte without its second byte escaped; read back byte for byte.
  cp932::Scope japanese;
  const std::string names = all + CP932_ICHIRAN CP932_HYOU "\x81";
  quoted = QuoteName(names);
  EXPECT_NE(std::string::npos, quoted.find(CP932_ICHIRAN CP932_HYOU "\\x81\"")) << quoted;
  pos = 0;
  ASSERT_TRUE(ParseQuoted(quoted, pos, back, error)) << error;
  EXPECT_EQ(names, back);
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
  testsupport::TempDirectory dir;
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
  std::filesystem::resize_file(bad, 65u << 20);  // beyond the 64 MB build takes
  EXPECT_EQ(RunBuild(bad.c_str(), dir.File("o.hdb").c_str(), err), ExitUsage);
  EXPECT_NE(err.str().find("is larger than 64 MB"), std::string::npos) << err.str();
}

// Files past 2 GiB and past the 4 GiB that block offsets reach, kept sparse:
// check reads them block by block and dump through the engine, with an object
// far out in each.
TEST_F(HdbtoolTest, LargeSparseFilesAreReadBlockByBlock) {
  const uint32_t Far = (uint32_t)((3ull << 30) / BlockSize);
  const struct {
    uint64_t size;
    const char* problem;
  } cases[] = {{(uint64_t)(Far + 2) * BlockSize, nullptr},
               {(4ull << 30) + 4 * BlockSize, "is beyond the 4 GiB that block offsets reach"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    std::string path = dir.File("large.hdb");
    RawImage image(2);
    image.SetHeader(HeaderBlockCountOffset, Far + 1);
    image.SmallObject(1, RawImage::Object("", {Child(Far, "far")}, ""));
    image.Save(path);
    std::filesystem::resize_file(path, c.size);
    RawImage block(1);
    block.SmallObject(0, RawImage::Object("far", {}, "x"));
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp((std::streamoff)(Far + 1) * BlockSize);
    file.write(reinterpret_cast<const char*>(block.Block(0)), BlockSize);
    file.close();
    std::string report = Check(path, c.problem ? ExitProblems : ExitClean);
    if (c.problem) {
      EXPECT_NE(report.find(c.problem), std::string::npos) << report;
    }
    EXPECT_EQ(Dump(path), "\"far\" = \"x\"\n");
    std::filesystem::remove(path);
  }
}

// check and dump name the same damage in the same words; dump adds what it
// did about it.
TEST_F(HdbtoolTest, CheckAndDumpTellOneStory) {
  std::string path = dir.File("damaged.hdb");
  RawImage image(8);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(3, "wrong"), Child(2, "a"), Child(4, "d"),
                                            Child(50, "x"), Child(0, "z"), Child(6, "f")}, ""));
  // Back to the root, and to a sibling the root listed first (though dump
  // shows "a" first).
  image.SmallObject(2, RawImage::Object("a", {Child(1, ""), Child(3, "b")}, ""));
  image.SmallObject(3, RawImage::Object("b", {}, ""));
  std::string d = RawImage::Object("d", {}, std::string(600, 'd'));
  image.Stream({4, 5, 6}, d, (uint32_t)d.size());  // its third block is object 6's
  image.SmallObject(6, RawImage::Object("f", {}, ""));
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  std::ostringstream out, err;
  EXPECT_EQ(RunDump(path.c_str(), out, err), ExitProblems);
  EXPECT_NE(out.str().find("\"a\"\n"), std::string::npos);
  const struct {
    const char* line;
    const char* dumpAdds;  // null: dump cannot see it
  } lines[] = {
      {"object 1: entry 2 repeats child 2", "; passed over"},
      {"object 1: entry 4 names object 50, outside the file", "; passed over"},
      {"object 1: entry 5 names block 0, which holds no object", "; passed over"},
      {"object 1 under object 2 is reached a second time (cycle or shared child)", "; not followed"},
      {"object 3 under object 2 is reached a second time (cycle or shared child)", "; not followed"},
      {"object 1: entry 1: hash", nullptr},
      {"block 6 belongs to both object 4 and object 6", nullptr},
  };
  for (const auto& l : lines) {
    EXPECT_NE(report.find(l.line), std::string::npos) << l.line << "\n" << report;
    if (l.dumpAdds) {
      EXPECT_NE(err.str().find("hdbtool: " + std::string(l.line) + l.dumpAdds + "\n"), std::string::npos)
          << l.line << "\n" << err.str();
    }
  }
}

// A copy taken while the main program has the file open is sound.
TEST_F(HdbtoolTest, OpenWriterFlagIsANoteNotDamage) {
  std::string path = Build(Sample);
  auto bytes = ReadFileBytes(path);
  PutU32(bytes.data() + HeaderWriterOpenOffset, 1);
  WriteFileBytes(path, bytes);
  EXPECT_EQ(Check(path, ExitClean), "note: header: WriterOpen is set (a program had the file open for writing when "
                                    "it was read or copied, or did not close it)\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunDump(path.c_str(), out, err), ExitClean);
  EXPECT_EQ(out.str(), Sample);
  EXPECT_EQ(err.str().rfind("hdbtool: note: header: WriterOpen is set", 0), 0u) << err.str();
}

// Parents whose tables all list the same children, whose chains all run into
// one shared tail: each shared block and each object reached again is named
// once, the rest counted.
TEST_F(HdbtoolTest, SharedBlocksAndObjectsAreReportedOnce) {
  const uint32_t Parents = 5, Children = 20, Tail = 10, FirstChild = 2 + Parents, TailBlock = FirstChild + Children;
  RawImage image(TailBlock + Tail);
  std::vector<std::pair<uint32_t, uint32_t>> parents, children;
  for (uint32_t p = 0; p < Parents; ++p) parents.push_back(Child(2 + p, "p"));
  for (uint32_t c = 0; c < Children; ++c) children.push_back(Child(FirstChild + c, "k"));
  image.SmallObject(1, RawImage::Object("", parents, ""));
  for (uint32_t p = 0; p < Parents; ++p) image.SmallObject(2 + p, RawImage::Object("p", children, ""));
  std::vector<uint32_t> tail;
  for (uint32_t t = 0; t < Tail; ++t) tail.push_back(TailBlock + t);
  image.Stream(tail, std::string(Tail * BlockPayloadSize, 'x'), 0);
  for (uint32_t c = 0; c < Children; ++c) {
    image.SmallObject(FirstChild + c, RawImage::Object("k", {}, ""));
    image.Link(FirstChild + c, (Tail + 1) * BlockPayloadSize - 1, TailBlock);
  }
  image.Link(TailBlock, FirstChild, TailBlock + 1);  // the first child's
  std::string path = dir.File("shared.hdb");
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = report.find(what); at != std::string::npos; at = report.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("belongs to both"), 1u) << report;
  EXPECT_EQ(count("is reached a second time"), (size_t)Children) << report;
  EXPECT_NE(report.find("\n" + std::to_string(Children - 2) + " more streams run into blocks already reported as "
                        "shared\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\n" + std::to_string((Parents - 2) * Children) + " more entries name objects already "
                        "reported as reached a second time\n"), std::string::npos) << report;
  EXPECT_EQ(count("\n"), 3u + Children) << report;
}

TEST_F(HdbtoolTest, CheckReportsShortChainsAndHeaders) {
  std::string path = dir.File("short.hdb");
  RawImage image(4);
  image.SetHeader(HeaderBlockCountOffset, 9);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(3, "")}, ""));
  image.Link(2, 700, 0);
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  EXPECT_NE(report.find("BlockCount 9 but the file holds 4"), std::string::npos) << report;
  EXPECT_NE(report.find("object 2: length 700 needs 3 blocks, the chain has 1"), std::string::npos) << report;
  EXPECT_NE(report.find("object 3: stream of 0 bytes cannot hold the 28-byte object header"), std::string::npos)
      << report;
}

// Files dump cannot show in full: it prints what it can, says what it left
// out on err and exits 1. Deep and shared trees are walked without recursion,
// each object once.
TEST_F(HdbtoolTest, DumpReportsWhatItLeavesOut) {
  struct Case {
    const char* what;
    std::function<void(RawImage&)> make;
    size_t lines;
    const char* message;
  };
  static const uint32_t Deep = (uint32_t)MaxTreeDepth + 5, Levels = 12;
  const Case cases[] = {
      {"root table in a broken chain",
       [](RawImage& im) {
         std::string root = RawImage::Object(std::string(230, 'x'), {Child(2, "k"), Child(3, "k")}, "");
         im.Stream({1, 4}, root, (uint32_t)root.size());
         im.Link(4, 3, 0);  // names 3, not 1, as its predecessor
         im.SmallObject(2, RawImage::Object("k", {}, ""));
       },
       0, "children table cannot be read"},
      {"root length all ones", [](RawImage& im) { im.Link(1, 0xFFFFFFFFu, 0); }, 0, "object 1 cannot be loaded; nothing"},
      {"file cut after block 0", [](RawImage& im) { im.Bytes().resize(2 * BlockSize); }, 0,
       "object 1: first block 1 is outside the file"},
      {"child id beyond the file between two good ones",
       [](RawImage& im) {
         im.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(0xFFFFFFFFu, "x"), Child(3, "b")}, ""));
         im.SmallObject(2, RawImage::Object("a", {}, ""));
         im.SmallObject(3, RawImage::Object("b", {}, ""));
       },
       2, "entry 1 names object 4294967295, outside the file"},
      {"a chain deeper than the limit",
       [](RawImage& im) {
         im.Bytes().resize((Deep + 3) * BlockSize);
         im.SetHeader(HeaderBlockCountOffset, Deep + 2);
         for (uint32_t id = 1; id <= Deep + 1; ++id)
           im.SmallObject(id, RawImage::Object(id == 1 ? "" : "d", {Child(id + 1, "d")}, ""));
       },
       MaxTreeDepth, "deeper than 1000 levels"},
      {"two objects per level sharing the same two children",
       [](RawImage& im) {
         im.Bytes().resize((2 * Levels + 3) * BlockSize);
         im.SetHeader(HeaderBlockCountOffset, 2 * Levels + 2);
         im.SmallObject(1, RawImage::Object("", {Child(2, "a"), Child(3, "b")}, ""));
         for (uint32_t level = 0; level < Levels; ++level) {
           std::vector<std::pair<uint32_t, uint32_t>> next;
           if (level + 1 < Levels) next = {Child(2 * level + 4, "a"), Child(2 * level + 5, "b")};
           im.SmallObject(2 * level + 2, RawImage::Object("a", next, ""));
           im.SmallObject(2 * level + 3, RawImage::Object("b", next, ""));
         }
       },
       2 * Levels, "is reached a second time (cycle or shared child); not followed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RawImage image(5);
    image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
    image.SmallObject(2, RawImage::Object("a", {}, ""));
    c.make(image);
    std::string path = dir.File("leftout.hdb");
    image.Save(path);
    std::ostringstream out, err;
    EXPECT_EQ(RunDump(path.c_str(), out, err), ExitProblems);
    std::string printed = out.str();
    EXPECT_EQ((size_t)std::count(printed.begin(), printed.end(), '\n'), c.lines);
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
}

TEST_F(HdbtoolTest, BuildRefusesDeepTreesAndKeepsTheOldOutputOnFailure) {
  std::string out = Build(Sample);
  auto before = ReadFileBytes(out);
  std::string deep;
  for (size_t depth = 0; depth <= MaxTreeDepth; ++depth) deep += std::string(2 * depth, ' ') + "\"n\"\n";
  const std::string failing[] = {deep, "\"" + std::string(70000, 'x') + "\"\n"};  // too deep; name too long
  for (const std::string& description : failing) {
    std::string in = dir.File("fails.txt");
    WriteFileBytes(in, std::vector<unsigned char>(description.begin(), description.end()));
    std::ostringstream err;
    EXPECT_EQ(RunBuild(in.c_str(), out.c_str(), err), ExitProblems);
    EXPECT_EQ(ReadFileBytes(out), before);
  }
}

TEST_F(HdbtoolTest, CheckReportsFreeListDamage) {
  std::string path = dir.File("free.hdb");
  RawImage image(6);
  std::string entries(16, '\0');
  const uint32_t listed[] = {5, 5, 0, 2};
  for (uint32_t i = 0; i < 4; ++i) PutU32(reinterpret_cast<unsigned char*>(&entries[i * 4]), listed[i]);
  image.Stream({0}, entries, 16);
  image.SetHeader(HeaderFreeBlockCountOffset, 4);
  image.SmallObject(1, RawImage::Object("", {Child(2, "a")}, ""));
  image.SmallObject(2, RawImage::Object("a", {}, ""));
  image.Save(path);
  std::string report = Check(path, ExitProblems);
  EXPECT_NE(report.find("entry 1 lists block 5 a second time"), std::string::npos) << report;
  EXPECT_NE(report.find("entry 2 names block 0"), std::string::npos) << report;
  EXPECT_NE(report.find("object 2: block 2 is listed as free"), std::string::npos) << report;
  image.SetHeader(HeaderFreeListBlockOffset, 2);  // the free-block stream is object 2
  image.SetHeader(HeaderFreeBlockCountOffset, 0);
  image.Save(path);
  report = Check(path, ExitProblems);
  // The tree is walked first: it is the free-block stream that runs into object 2.
  EXPECT_EQ(report, "block 2 belongs to both object 2 and free-block stream\n");
}

}  // namespace
