// FileManager: the program's file layer. A process-wide table of open files
// addressed by small integers (FileHandle 0..255), the file tests the scheduler
// uses, and a forced delete. The files behind the handles are OpenFiles of
// the platform (platform/opened_file.h): the system's (platform/system_files.h)
// and, for snapshots (file_snapshot.h), bytes held in memory.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "platform/opened_file.h"
#include "platform/path_rules.h"
#include "platform/system_files.h"

const int MaxOpenFiles = 256;

// Path texts: at most 259 characters plus the terminator.
const int MaxPathLength = 259;

class FileManager {
 public:
  FileManager();
  virtual ~FileManager();
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  int FileOpen(const char* path, int modeAndFlags);
  // Opens size bytes held in memory as a read-only file (platform/memory_file.h).
  // The bytes are borrowed and must outlive the handle. A handle, or -1.
  int FileOpenImage(const unsigned char* bytes, size_t size);
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

 private:
  static int StoreFile(OpenedFile* file);  // slot, or -1 when the table is full
  static OpenedFile* FileAt(int file);     // null for a bad or free slot
  static DateTimeUtil* SharedTime();
};
