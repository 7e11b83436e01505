// MemoryFile: bytes held in memory opened as a read-only file (a snapshot of
// a whole file, database/file_snapshot.h): reads, seeks, size and stamp
// behave as on a file nobody changes; writes fail. The bytes are borrowed
// from the opener and must outlive the file.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "platform/opened_file.h"

class MemoryFile : public OpenedFile {
 public:
  MemoryFile(const unsigned char* bytes, size_t size) : bytes_(bytes), size_(size), position_(0) {}
  int Read(void* dest, unsigned count) override;
  int Write(const void* source, unsigned count) override;
  int Seek(uint64_t position) override;
  int64_t Size() override { return (int64_t)size_; }
  int Stamp(OpenFileStamp* stamp) override;
  void Flush() override {}

 private:
  const unsigned char* bytes_;
  size_t size_;
  uint64_t position_;
};
