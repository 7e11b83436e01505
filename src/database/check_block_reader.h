// The blocks of a database file as the checker reads them: through the file
// layer, in aligned runs of 64 blocks (16 KB), of which 256 (4 MB) are kept,
// each in the slot of its run number modulo 256. A file of up to 4 MB is read
// once; a larger one costs at most one run read per block the check visits,
// and memory stays at 4 MB whatever the file's size (up to the 4 GiB that
// 32-bit block offsets reach).
#pragma once
#include <stdint.h>

#include <string>

#include "database/database_format.h"
#include "database/file_manager.h"

class CheckBlockReader {
 public:
  CheckBlockReader();
  ~CheckBlockReader();
  CheckBlockReader(const CheckBlockReader&) = delete;
  CheckBlockReader& operator=(const CheckBlockReader&) = delete;

  // Opens path read-only and measures it; false with the reason in error.
  bool Open(const char* path, std::string& error);
  uint64_t FileSize() const { return size_; }
  // Whole blocks within the file and within reach of 32-bit offsets.
  uint32_t BlocksHeld() const { return blocks_; }
  bool Holds(uint32_t block) const { return block < blocks_; }
  // The 256-byte header unit (the file must be that long), or null.
  const unsigned char* HeaderUnit();
  // The 256 bytes of a block the file holds, or null when reading failed.
  const unsigned char* Block(uint32_t block);
  // Why the last null was returned.
  const std::string& Error() const { return error_; }

 private:
  static const uint32_t RunBlocks = 64;
  static const uint32_t RunSlots = 256;
  struct Run {
    unsigned char* Bytes;  // RunBlocks blocks, or null before first use
    uint32_t Number;       // which run the slot holds
    bool Loaded;
  };
  bool Read(uint64_t offset, unsigned char* dest, uint32_t bytes);

  FileManager files_;
  int file_;
  uint64_t size_;
  uint32_t blocks_;
  unsigned char header_[HeaderUnitSize];
  Run runs_[RunSlots];
  std::string error_;
};
