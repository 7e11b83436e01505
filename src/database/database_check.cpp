// CheckDatabase: walks the raw file image.
#include "database/database_check.h"

#include <stdint.h>
#include <stdio.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "database/database_format.h"
#include "database/database_manager.h"

namespace {

class Checker {
 public:
  Checker(std::vector<unsigned char>& image, std::vector<std::string>& problems)
      : image_(image), problems_(problems) {}

  void Run() {
    if (image_.size() < HeaderUnitSize) {
      Report("header: file is " + std::to_string(image_.size()) + " bytes, shorter than the 256-byte header");
      return;
    }
    blockCount_ = GetU32(&image_[HeaderBlockCountOffset]);
    uint64_t held = image_.size() / BlockSize - 1;
    if (image_.size() % BlockSize != 0)
      Report("header: file size " + std::to_string(image_.size()) + " is not a multiple of 256");
    if (blockCount_ > MaxBlockNumber + 1)
      Report("header: BlockCount " + std::to_string(blockCount_) + " exceeds what a file can hold");
    if (held < blockCount_)
      Report("header: BlockCount " + std::to_string(blockCount_) + " but the file holds " + std::to_string(held) +
             " blocks");
    if (GetU32(&image_[HeaderWriterOpenOffset]) != 0)
      Report("header: WriterOpen is set (the file was not closed cleanly)");
    CheckFreeList();
    if (blockCount_ > (uint32_t)RootObjectId || held > (uint64_t)RootObjectId) CheckTree();
  }

 private:
  // Readers bound blocks by what the file holds, not by the header's count,
  // which lags while the main program has the file open.
  bool Readable(uint32_t block) const {
    return block <= MaxBlockNumber && (uint64_t)(block + 2) * BlockSize <= image_.size();
  }
  const unsigned char* Block(uint32_t block) const { return &image_[(size_t)(block + 1) * BlockSize]; }
  void Report(const std::string& line) { problems_.push_back(line); }
  static std::string Name(const std::string& what, uint32_t id) { return what + " " + std::to_string(id); }

  // Walks the chain of a stream, claims its blocks and collects its bytes (up
  // to its length). False when the stream cannot be read in full.
  bool ReadStream(uint32_t first, const std::string& what, std::string& content) {
    content.clear();
    if (!Readable(first)) {
      Report(what + ": first block " + std::to_string(first) + " is outside the file");
      return false;
    }
    uint32_t length = GetU32(Block(first) + BlockFirstWordOffset);
    if (length == ObjectUnloadableLength) {
      Report(what + ": length word is all ones (cannot be loaded)");
      return false;
    }
    uint64_t needed = (uint64_t)length / BlockPayloadSize + 1;
    std::set<uint32_t> seen;
    uint32_t block = first, previous = 0;
    uint64_t index = 0;
    bool ok = true;
    for (;;) {
      if (!seen.insert(block).second) {
        Report(what + ": chain loops back to block " + std::to_string(block));
        ok = false;
        break;
      }
      Claim(block, what);
      const unsigned char* b = Block(block);
      if (index > 0 && GetU32(b + BlockFirstWordOffset) != previous)
        Report(what + ": block " + std::to_string(block) + " names " +
               std::to_string(GetU32(b + BlockFirstWordOffset)) + " as its predecessor, not " +
               std::to_string(previous));
      if (index < needed && content.size() < length) {
        size_t n = std::min<size_t>(BlockPayloadSize, length - content.size());
        content.append(reinterpret_cast<const char*>(b + BlockPayloadOffset), n);
      }
      uint32_t next = GetU32(b + BlockNextOffset);
      ++index;
      if (next == 0) break;
      if (!Readable(next)) {
        Report(what + ": block " + std::to_string(block) + " links to block " + std::to_string(next) +
               ", outside the file");
        ok = false;
        break;
      }
      previous = block;
      block = next;
    }
    if (ok && index < needed) {
      Report(what + ": length " + std::to_string(length) + " needs " + std::to_string(needed) +
             " blocks, the chain has " + std::to_string(index));
      ok = false;
    }
    return ok;
  }

  // Owners are told apart by name: a free-block stream that starts at an
  // object's block is a second owner of that block.
  void Claim(uint32_t block, const std::string& what) {
    auto found = owner_.find(block);
    if (checkingTree_ && free_.count(block))
      Report(what + ": block " + std::to_string(block) + " is listed as free");
    if (found == owner_.end()) owner_[block] = what;
    else if (found->second != what)
      Report("block " + std::to_string(block) + " belongs to both " + found->second + " and " + what);
  }

  void CheckFreeList() {
    uint32_t first = GetU32(&image_[HeaderFreeListBlockOffset]);
    uint32_t count = GetU32(&image_[HeaderFreeBlockCountOffset]);
    std::string content;
    if (!ReadStream(first, "free-block stream", content)) return;
    if ((uint64_t)count * 4 > content.size()) {
      Report("free-block stream: FreeBlockCount " + std::to_string(count) + " needs " +
             std::to_string((uint64_t)count * 4) + " bytes, the stream holds " + std::to_string(content.size()));
      count = (uint32_t)(content.size() / 4);
    }
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t block = GetU32(reinterpret_cast<const unsigned char*>(content.data()) + i * 4);
      std::string entry = "free-block stream: entry " + std::to_string(i);
      if (block == 0) Report(entry + " names block 0, which never holds a free block");
      else if (!Readable(block)) Report(entry + " names block " + std::to_string(block) + ", outside the file");
      else if (!free_.insert(block).second) Report(entry + " lists block " + std::to_string(block) + " a second time");
    }
  }

  void CheckTree() {
    checkingTree_ = true;
    std::vector<uint32_t> pending{(uint32_t)RootObjectId};
    std::set<uint32_t> visited{(uint32_t)RootObjectId};
    while (!pending.empty()) {
      uint32_t id = pending.back();
      pending.pop_back();
      std::string what = Name("object", id);
      std::string s;
      if (!ReadStream(id, what, s)) continue;
      if (s.size() < ObjectHeaderSize) {
        Report(what + ": stream of " + std::to_string(s.size()) + " bytes cannot hold the 28-byte object header");
        continue;
      }
      ObjectHeader h;
      std::copy(s.begin(), s.begin() + ObjectHeaderSize, h.Bytes);
      uint64_t size = s.size();
      if ((uint64_t)h.NamePosition() + h.NameLength() > size)
        Report(what + ": name (" + std::to_string(h.NameLength()) + " bytes at " + std::to_string(h.NamePosition()) +
               ") runs past the stream's " + std::to_string(size) + " bytes");
      if (h.DataPosition() > size)
        Report(what + ": data position " + std::to_string(h.DataPosition()) + " is past the stream's " +
               std::to_string(size) + " bytes");
      uint64_t tableEnd = (uint64_t)h.ChildrenPosition() + (uint64_t)h.ChildCount() * ChildEntrySize;
      if (tableEnd > size) {
        Report(what + ": children table (" + std::to_string(h.ChildCount()) + " entries at " +
               std::to_string(h.ChildrenPosition()) + ") runs past the stream's " + std::to_string(size) + " bytes");
        continue;
      }
      std::set<uint32_t> inTable;
      for (uint32_t i = 0; i < h.ChildCount(); ++i) {
        const unsigned char* e = reinterpret_cast<const unsigned char*>(s.data()) + h.ChildrenPosition() + i * ChildEntrySize;
        uint32_t child = GetU32(e), hash = GetU32(e + 4);
        std::string entry = what + ": entry " + std::to_string(i);
        if (!inTable.insert(child).second) {
          Report(entry + " repeats child " + std::to_string(child));
          continue;
        }
        if (child == 0 || !Readable(child)) {
          Report(entry + " names object " + std::to_string(child) + ", outside the file");
          continue;
        }
        std::string childName;
        if (ChildName(child, childName) && NameHash(childName.data(), childName.size()) != hash)
          Report(entry + ": hash " + Hex(hash) + " does not match the name of object " + std::to_string(child) +
                 " (" + Hex(NameHash(childName.data(), childName.size())) + ")");
        if (!visited.insert(child).second) {
          Report(entry + ": object " + std::to_string(child) + " is reached a second time (cycle or shared child)");
          continue;
        }
        pending.push_back(child);
      }
    }
  }

  // The child's stored name, read without claiming blocks (its own walk does).
  bool ChildName(uint32_t id, std::string& name) const {
    std::string s;
    std::set<uint32_t> seen;
    uint32_t length = GetU32(Block(id) + BlockFirstWordOffset);
    uint32_t block = id;
    while (s.size() < length && s.size() < 0x20000) {
      if (!seen.insert(block).second) return false;
      size_t n = std::min<size_t>(BlockPayloadSize, length - s.size());
      s.append(reinterpret_cast<const char*>(Block(block) + BlockPayloadOffset), n);
      uint32_t next = GetU32(Block(block) + BlockNextOffset);
      if (next == 0 || !Readable(next)) break;
      block = next;
    }
    if (s.size() < ObjectHeaderSize) return false;
    ObjectHeader h;
    std::copy(s.begin(), s.begin() + ObjectHeaderSize, h.Bytes);
    if ((uint64_t)h.NamePosition() + h.NameLength() > s.size()) return false;
    name = s.substr(h.NamePosition(), h.NameLength());
    return true;
  }

  static std::string Hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof text, "%08X", v);
    return text;
  }

  std::vector<unsigned char>& image_;
  std::vector<std::string>& problems_;
  uint32_t blockCount_ = 0;
  bool checkingTree_ = false;
  std::map<uint32_t, std::string> owner_;
  std::set<uint32_t> free_;
};

}  // namespace

int CheckDatabase(const char* path, std::vector<std::string>& problems) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problems.push_back(std::string("cannot open ") + path);
    return -1;
  }
  std::vector<unsigned char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    problems.push_back(std::string("cannot read ") + path);
    return -1;
  }
  size_t before = problems.size();
  Checker(image, problems).Run();
  return (int)(problems.size() - before);
}
