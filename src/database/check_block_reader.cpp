// Reading blocks for the checker in kept runs.
#include "database/check_block_reader.h"

#include <new>

CheckBlockReader::CheckBlockReader() : file_(-1), size_(0), blocks_(0) {
  for (Run& r : runs_) r = Run{nullptr, 0, false};
}

CheckBlockReader::~CheckBlockReader() {
  for (Run& r : runs_) delete[] r.Bytes;
  if (file_ >= 0) files_.FileClose(file_);
}

bool CheckBlockReader::Open(const char* path, std::string& error) {
  file_ = files_.FileOpen(path, OpenReadOnly);
  if (file_ < 0) {
    error = std::string("cannot open ") + path;
    return false;
  }
  int64_t size = files_.FileSize(file_);
  if (size < 0) {
    error = std::string("cannot measure ") + path;
    return false;
  }
  size_ = (uint64_t)size;
  uint64_t blocks = size_ < HeaderUnitSize ? 0 : (size_ - HeaderUnitSize) / BlockSize;
  blocks_ = blocks > (uint64_t)MaxBlockNumber + 1 ? MaxBlockNumber + 1 : (uint32_t)blocks;
  return true;
}

bool CheckBlockReader::Read(uint64_t offset, unsigned char* dest, uint32_t bytes) {
  // Every offset read lies below 4 GiB: the low half carries it.
  if (files_.FileSeek(file_, 0, (unsigned long)offset) != 0 || files_.FileRead(file_, dest, bytes) != (int)bytes) {
    error_ = "cannot read " + std::to_string(bytes) + " bytes at offset " + std::to_string(offset);
    return false;
  }
  return true;
}

const unsigned char* CheckBlockReader::HeaderUnit() {
  if (size_ < HeaderUnitSize || !Read(0, header_, HeaderUnitSize)) return nullptr;
  return header_;
}

const unsigned char* CheckBlockReader::Block(uint32_t block) {
  if (!Holds(block)) {
    error_ = "block " + std::to_string(block) + " is not in the file";
    return nullptr;
  }
  uint32_t number = block / RunBlocks;
  Run& r = runs_[number % RunSlots];
  if (!r.Loaded || r.Number != number) {
    if (!r.Bytes) r.Bytes = new (std::nothrow) unsigned char[RunBlocks * BlockSize];
    if (!r.Bytes) {
      error_ = "not enough memory for the blocks being read";
      return nullptr;
    }
    r.Loaded = false;
    uint32_t first = number * RunBlocks;
    uint32_t count = blocks_ - first < RunBlocks ? blocks_ - first : RunBlocks;
    if (!Read((uint64_t)(first + 1) * BlockSize, r.Bytes, count * BlockSize)) return nullptr;
    r.Number = number;
    r.Loaded = true;
  }
  return r.Bytes + (size_t)(block % RunBlocks) * BlockSize;
}
