// FileManager: the program's file layer. A process-wide table of open files
// addressed by small integers (FileHandle 0..255), the file tests the scheduler
// uses, and a forced delete. The operating-system calls live in file_win32.cpp
// and file_posix.cpp; files held in memory (read-only images of a file, see
// file_snapshot.h) in file_image.cpp.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "common/packed_time.h"
#include "platform/path_rules.h"

// Open modes (low 16 bits of the FileOpen mode argument).
const int OpenCreate = 0;     // read/write; create or truncate
const int OpenReadOnly = 1;   // read; the file must exist
const int OpenReadWrite = 2;  // read/write; open or create
const int OpenAppend = 3;     // read/write; open or create, then to the end
// Flags (high bits of the mode argument).
const int OpenDetailedErrors = 0x20000;
const int OpenBackupSemantics = 0x40000;
const int OpenBackupSemanticsAlt = 0x80000;
const int OpenModeMask = 0xFFFF;

// Results besides handles and counts.
const int FileErrorGeneral = -1;
const int FileErrorNothingWritten = -10;
const int FileErrorAccessDenied = -13;
const int FileErrorSharing = -16;

const int MaxOpenFiles = 256;

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
// Path texts: at most 259 characters plus the terminator.
const int MaxPathLength = 259;

class FileManager {
 public:
  FileManager();
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  int FileOpen(const char* path, int modeAndFlags);
  // Opens size bytes held in memory as a read-only file: reads, seeks, size
  // and stamp behave as on a file nobody changes; writes fail. The bytes are
  // borrowed and must outlive the handle. A handle, or -1.
  int FileOpenImage(const unsigned char* bytes, size_t size);
  // The bytes behind a handle from FileOpenImage (size into *size), or null
  // for any other handle.
  const unsigned char* FileImage(int file, size_t* size);
  int FileRead(int file, void* dest, unsigned count);
  int FileWrite(int file, const void* source, unsigned count);
  int FileSeek(int file, unsigned long high, unsigned long low);
  // The size of an open file in bytes, or -1 for a bad handle or a failed query.
  int64_t FileSize(int file);
  // 0 with the size and last-write time of an open file, or -1.
  int FileStamp(int file, OpenFileStamp* stamp);
  int FileClose(int file);
  int FileFlush(int file);
  int FileExists(const char* path);
  int PathExists(const char* path);
  PackedTime FileWriteTime(const char* path);
  int FileDelete(const char* path);
  // Copies from to to, replacing to. 0, or -1.
  int FileCopy(const char* from, const char* to);
  // Clears read-only, hidden and system attributes. 0, or -1.
  int FileMakeNormal(const char* path);

  // Now, by the clock and in the units of OpenFileStamp::LastWrite.
  static uint64_t StampClockNow();
  // Waits about that long (the calling thread only).
  static void Pause(unsigned milliseconds);

  int IsNtFamily;

 private:
  // Handle-table maintenance shared by both platforms (file_manager.cpp).
  static int StoreHandle(intptr_t osHandle); // slot, or -1 when the table is full
  static intptr_t HandleAt(int file);       // 0 for a bad or free slot
  static intptr_t ReleaseSlotLocked(int file);  // under the table lock; returns what it held
  static void FlushLocked(int file, void (*flush)(intptr_t));
  static DateTimeUtil* SharedTime();
  static int DetectNtFamily();             // per platform
  // The operating system's side of the calls that in-memory files answer
  // themselves (file_win32.cpp, file_posix.cpp).
  int OsRead(int file, void* dest, unsigned count);
  int OsWrite(int file, const void* source, unsigned count);
  int OsSeek(int file, unsigned long high, unsigned long low);
  int64_t OsSize(int file);
  int OsStamp(int file, OpenFileStamp* stamp);
  int OsClose(int file);
};
