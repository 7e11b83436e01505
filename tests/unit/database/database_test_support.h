// Helpers for the database tests: whole-file reads and
// writes, and RawImage for crafting database files byte by byte (damaged ones
// included).
#pragma once
#include <stdint.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "database/database_format.h"
#include "temp_directory.h"

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

inline bool FileIsThere(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// A database file image: header unit plus blocks.
class RawImage {
 public:
  explicit RawImage(uint32_t blocks) : bytes_((blocks + 1) * BlockSize, 0) {
    InitialiseDatabaseHeader(bytes_.data());
    SetHeader(HeaderWriterOpenOffset, 0);
    SetHeader(HeaderBlockCountOffset, blocks);
  }
  void SetHeader(size_t offset, uint32_t value) { PutU32(bytes_.data() + offset, value); }
  uint32_t Header(size_t offset) const { return GetU32(bytes_.data() + offset); }
  unsigned char* Block(uint32_t n) { return bytes_.data() + (n + 1) * BlockSize; }
  void Link(uint32_t block, uint32_t firstWord, uint32_t next) {
    PutU32(Block(block) + BlockFirstWordOffset, firstWord);
    PutU32(Block(block) + BlockNextOffset, next);
  }
  // Lays bytes over a chain of blocks as stream payload; the first block
  // carries length, later ones their predecessor.
  void Stream(const std::vector<uint32_t>& chain, const std::string& content, uint32_t length) {
    for (size_t i = 0; i < chain.size(); ++i) {
      Link(chain[i], i == 0 ? length : chain[i - 1], i + 1 < chain.size() ? chain[i + 1] : 0);
      size_t from = i * BlockPayloadSize;
      if (from < content.size()) {
        size_t n = std::min<size_t>(BlockPayloadSize, content.size() - from);
        std::copy(content.begin() + (long)from, content.begin() + (long)(from + n), Block(chain[i]) + BlockPayloadOffset);
      }
    }
  }
  // An object's stream content: header, name, children table, data.
  static std::string Object(const std::string& name, const std::vector<std::pair<uint32_t, uint32_t>>& children,
                            const std::string& data) {
    ObjectHeader h;
    uint32_t tablePosition = ObjectHeaderSize + (uint32_t)name.size();
    h.Set(ObjectHeaderSize, (uint32_t)name.size(), tablePosition, (uint32_t)children.size(),
          tablePosition + (uint32_t)children.size() * ChildEntrySize);
    std::string out(reinterpret_cast<const char*>(h.Bytes), ObjectHeaderSize);
    out += name;
    for (auto& c : children) {
      unsigned char e[8];
      PutU32(e, c.first);
      PutU32(e + 4, c.second);
      out.append(reinterpret_cast<const char*>(e), 8);
    }
    return out + data;
  }
  // A single-block object (content up to 248 bytes).
  void SmallObject(uint32_t block, const std::string& content) {
    Stream({block}, content, (uint32_t)content.size());
  }
  std::vector<unsigned char>& Bytes() { return bytes_; }
  void Save(const std::string& path) { WriteFileBytes(path, bytes_); }

 private:
  std::vector<unsigned char> bytes_;
};

inline std::pair<uint32_t, uint32_t> Child(uint32_t id, const char* name) { return {id, NameHash(name)}; }
