// OpenedFile: one open file as the file layer uses it, whichever kind it is: a
// file of the operating system (system_files.h) or bytes held in memory
// (memory_file.h). Deleting it closes it. Results are counts, 0, or the
// FileError codes below.
#pragma once
#include <stdint.h>

// Results besides counts.
const int FileErrorGeneral = -1;
const int FileErrorNothingWritten = -10;
const int FileErrorAccessDenied = -13;
const int FileErrorSharing = -16;

// What tells whether an open file has changed: its size and the time of its
// last write, in the platform's own units (compared, never converted).
struct OpenFileStamp {
  int64_t Size;
  uint64_t LastWrite;
  bool operator==(const OpenFileStamp& o) const { return Size == o.Size && LastWrite == o.LastWrite; }
  bool operator!=(const OpenFileStamp& o) const { return !(*this == o); }
};
// OpenFileStamp::LastWrite's units: 100 ns on Windows, 1 ns natively.
#ifdef _WIN32
const uint64_t StampUnitsPerMillisecond = 10000;
#else
const uint64_t StampUnitsPerMillisecond = 1000000;
#endif
class OpenedFile {
 public:
  virtual ~OpenedFile() {}
  // Bytes read (0 at the end), or -1.
  virtual int Read(void* dest, unsigned count) = 0;
  // count; FileErrorNothingWritten when nothing was written, -1 when part was.
  virtual int Write(const void* source, unsigned count) = 0;
  // To position from the start; 0, or -1 when the position is refused.
  virtual int Seek(uint64_t position) = 0;
  // The size in bytes, or -1.
  virtual int64_t Size() = 0;
  // 0 with the size and last-write time, or -1.
  virtual int Stamp(OpenFileStamp* stamp) = 0;
  // Pushes what was written to the disk; nothing is reported.
  virtual void Flush() = 0;
};
