// Timing tool: how long "hdbtool check" and "hdbtool dump" take on damaged
// files built to be the checker's worst cases, at about 668 KB, 718 KB and
// 1 MB. Two shapes: parents under the root whose children tables all list the
// same children, each child's chain running from its own first block into one
// shared tail of 128 KB that its length covers ("shared tables"); and as many
// children as tail blocks, each with a one-block length but a chain that runs
// on through the whole tail ("long tails"). Built natively and for Windows
// (run under Wine).
//   check_figures [runs] [--keep DIR]    (--keep leaves the crafted files in DIR)
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "database/database_check.h"
#include "database/database_format.h"
#include "hdbtool_commands.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

const uint32_t SharedTableTail = 528;  // 128 KB, the most a name read used to copy
const uint32_t SharedTableChildren = 1000;
const char ChildName[] = "k";
const char ParentName[] = "p";

std::string TempDirectory() {
#ifdef _WIN32
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + "twcheck-" + std::to_string(GetCurrentProcessId()) + "-";
#else
  return "/tmp/twcheck-" + std::to_string(getpid()) + "-";
#endif
}

class Image {
 public:
  explicit Image(uint32_t blocks) : bytes_((size_t)(blocks + 1) * BlockSize, 0) {
    InitialiseDatabaseHeader(bytes_.data());
    PutU32(bytes_.data() + HeaderWriterOpenOffset, 0);
    PutU32(bytes_.data() + HeaderBlockCountOffset, blocks);
  }
  unsigned char* Block(uint32_t n) { return bytes_.data() + (size_t)(n + 1) * BlockSize; }
  // Lays content over consecutive blocks from first on; returns the next free block.
  uint32_t Stream(uint32_t first, const std::string& content) {
    uint32_t blocks = (uint32_t)content.size() / BlockPayloadSize + 1;
    for (uint32_t i = 0; i < blocks; ++i) {
      unsigned char* b = Block(first + i);
      PutU32(b + BlockFirstWordOffset, i == 0 ? (uint32_t)content.size() : first + i - 1);
      PutU32(b + BlockNextOffset, i + 1 < blocks ? first + i + 1 : 0);
      size_t from = (size_t)i * BlockPayloadSize;
      size_t n = std::min<size_t>(BlockPayloadSize, content.size() - from);
      memcpy(b + BlockPayloadOffset, content.data() + from, n);
    }
    return first + blocks;
  }
  bool Save(const std::string& path) const {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes_.data(), 1, bytes_.size(), f) == bytes_.size();
    return fclose(f) == 0 && ok;
  }
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<unsigned char> bytes_;
};

std::string Object(const std::string& name, const std::vector<uint32_t>& children, uint32_t hash) {
  ObjectHeader h;
  uint32_t table = ObjectHeaderSize + (uint32_t)name.size();
  h.Set(ObjectHeaderSize, (uint32_t)name.size(), table, (uint32_t)children.size(),
        table + (uint32_t)children.size() * ChildEntrySize);
  std::string out(reinterpret_cast<const char*>(h.Bytes), ObjectHeaderSize);
  out += name;
  for (uint32_t id : children) {
    unsigned char e[ChildEntrySize];
    PutU32(e, id);
    PutU32(e + 4, hash);
    out.append(reinterpret_cast<const char*>(e), sizeof e);
  }
  return out;
}

uint32_t BlocksFor(size_t bytes) { return (uint32_t)(bytes / BlockPayloadSize + 1); }

// Parents under the root (none: the root lists the children itself), the
// children every parent lists, and the tail all children's chains run into.
// A child's length covers the tail, or only its own first block.
struct Shape {
  const char* Name;
  uint32_t Parents;
  uint32_t Children;
  uint32_t Tail;
  bool LengthCoversTail;
};

uint32_t BlocksOf(const Shape& s) {
  uint32_t listing = s.Parents ? s.Parents : s.Children;
  uint32_t parent = BlocksFor(Object(ParentName, std::vector<uint32_t>(s.Children), 0).size());
  return 1 /* free-block stream */ + BlocksFor(Object("", std::vector<uint32_t>(listing), 0).size()) +
         s.Parents * parent + s.Children + s.Tail;
}

// The shapes of about targetBytes: many parents sharing one table's worth of
// children with long lengths, and as many children as tail blocks, each
// walked past its short length by the old checker.
std::vector<Shape> ShapesFitting(size_t targetBytes) {
  uint32_t blocks = (uint32_t)(targetBytes / BlockSize) - 1;
  Shape tables{"shared tables", 1, SharedTableChildren, SharedTableTail, true};
  while (BlocksOf({"", tables.Parents + 1, tables.Children, tables.Tail, true}) <= blocks) ++tables.Parents;
  Shape tails{"long tails", 0, 1, 1, false};
  while (BlocksOf({"", 0, tails.Children + 1, tails.Tail + 1, false}) <= blocks) {
    ++tails.Children;
    ++tails.Tail;
  }
  return {tables, tails};
}

Image Craft(const Shape& s) {
  std::vector<uint32_t> parentIds, childIds;
  std::string root = Object("", std::vector<uint32_t>(s.Parents ? s.Parents : s.Children), 0);
  std::string parent = Object(ParentName, std::vector<uint32_t>(s.Children), 0);
  uint32_t next = 1 + BlocksFor(root.size());
  for (uint32_t p = 0; p < s.Parents; ++p, next += BlocksFor(parent.size())) parentIds.push_back(next);
  for (uint32_t c = 0; c < s.Children; ++c) childIds.push_back(next++);
  uint32_t tail = next;
  Image image(tail + s.Tail);
  image.Stream(0, "");
  if (s.Parents) {
    image.Stream(1, Object("", parentIds, NameHash(ParentName)));
    for (uint32_t id : parentIds) image.Stream(id, Object(ParentName, childIds, NameHash(ChildName)));
  } else {
    image.Stream(1, Object("", childIds, NameHash(ChildName)));
  }
  // Each child: its header and name in its own block, then the shared tail.
  std::string child = Object(ChildName, {}, 0);
  uint32_t length = s.LengthCoversTail ? (s.Tail + 1) * BlockPayloadSize - 1 : (uint32_t)child.size();
  for (uint32_t id : childIds) {
    image.Stream(id, child);
    PutU32(image.Block(id) + BlockFirstWordOffset, length);
    PutU32(image.Block(id) + BlockNextOffset, tail);
  }
  image.Stream(tail, std::string((size_t)s.Tail * BlockPayloadSize - 1, 'x'));
  PutU32(image.Block(tail) + BlockFirstWordOffset, childIds[0]);
  return image;
}

// Counts what dump writes without keeping it.
class CountingBuffer : public std::streambuf {
 public:
  size_t Count = 0;

 protected:
  int overflow(int c) override {
    ++Count;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    Count += (size_t)n;
    return n;
  }
};

template <typename Work>
double Seconds(Work work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Median of up to runs timings; one run only when the first takes long.
template <typename Work>
double Median(int runs, Work work) {
  std::vector<double> times{Seconds(work)};
  while ((int)times.size() < runs && times[0] < 5.0) times.push_back(Seconds(work));
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--keep") == 0 && i + 1 < argc) keep = argv[++i];
    else runs = atoi(argv[i]) > 0 ? atoi(argv[i]) : runs;
  }
  const size_t targets[] = {668 * 1024, 718 * 1024, 1024 * 1024};
  printf("%-14s %8s %8s %9s %6s %11s %11s %11s %14s %14s\n", "shape", "file", "parents", "children", "tail",
         "check", "check lines", "dump", "dump out bytes", "dump err bytes");
  for (size_t target : targets) {
    for (const Shape& shape : ShapesFitting(target)) {
      Image image = Craft(shape);
      std::string name = std::string(shape.Parents ? "shared-tables-" : "long-tails-") +
                         std::to_string(target / 1024) + "k.hdb";
      std::string path = keep.empty() ? TempDirectory() + name : keep + "/" + name;
      if (!image.Save(path)) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      size_t lines = 0;
      double check = Median(runs, [&] {
        std::vector<std::string> problems;
        CheckDatabase(path.c_str(), problems);
        lines = problems.size();
      });
      CountingBuffer outCount, errCount;
      double dump = Median(runs, [&] {
        outCount.Count = errCount.Count = 0;
        std::ostream out(&outCount), err(&errCount);
        RunDump(path.c_str(), out, err);
      });
      printf("%-14s %5lu KB %8u %9u %6u %8.2f ms %11lu %8.2f ms %14lu %14lu\n", shape.Name,
             (unsigned long)(image.Size() / 1024), shape.Parents, shape.Children, shape.Tail, check * 1000,
             (unsigned long)lines, dump * 1000, (unsigned long)outCount.Count, (unsigned long)errCount.Count);
      fflush(stdout);
      if (keep.empty()) remove(path.c_str());
    }
  }
  return 0;
}
