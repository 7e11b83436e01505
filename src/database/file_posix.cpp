// FileManager over POSIX calls, for the native build (tests, tools, fuzzing).
// Sharing modes and attributes have no POSIX counterpart and are not emulated;
// file tests match an exact path (no wildcards).
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "database/file_manager.h"

namespace {

const mode_t NewFilePermissions = 0644;
const size_t CopyChunkSize = 65536;

// The table keeps 0 for a free slot; descriptors are stored plus one.
intptr_t ToTable(int fd) { return (intptr_t)fd + 1; }
int FromTable(intptr_t entry) { return (int)(entry - 1); }

}  // namespace

int FileManager::DetectNtFamily() { return 1; }

uint64_t FileManager::StampClockNow() {
  struct timespec now;
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
  return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

void FileManager::Pause(unsigned milliseconds) {
  struct timespec rest = {(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) == -1 && errno == EINTR) {
  }
}

int FileManager::FileOpen(const char* path, int modeAndFlags) {
  if (!path) return FileErrorGeneral;
  int mode = modeAndFlags & OpenModeMask;
  int flags;
  switch (mode) {
    case OpenCreate: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenReadWrite:
    case OpenAppend: flags = O_RDWR | O_CREAT; break;
    default: flags = O_RDONLY; break;
  }
  int fd = open(path, flags | O_CLOEXEC, NewFilePermissions);
  if (fd < 0) {
    if (modeAndFlags & OpenDetailedErrors) {
      if (errno == EACCES || errno == EPERM) return FileErrorAccessDenied;
      if (errno == ETXTBSY) return FileErrorSharing;
    }
    return FileErrorGeneral;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return FileErrorGeneral;
  }
  if (mode == OpenAppend) lseek(fd, 0, SEEK_END);
  int slot = StoreHandle(ToTable(fd));
  if (slot < 0) close(fd);
  return slot;
}

int FileManager::OsRead(int file, void* dest, unsigned count) {
  intptr_t entry = HandleAt(file);
  if (!entry) return -1;
  unsigned total = 0;
  while (total < count) {
    ssize_t n = read(FromTable(entry), (char*)dest + total, count - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    total += (unsigned)n;
  }
  return (int)total;
}

int FileManager::OsWrite(int file, const void* source, unsigned count) {
  intptr_t entry = HandleAt(file);
  if (!entry) return FileErrorNothingWritten;
  unsigned total = 0;
  while (total < count) {
    ssize_t n = write(FromTable(entry), (const char*)source + total, count - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return total == 0 ? FileErrorNothingWritten : FileErrorGeneral;
    total += (unsigned)n;
  }
  return (int)total;
}

int FileManager::OsSeek(int file, unsigned long high, unsigned long low) {
  intptr_t entry = HandleAt(file);
  if (!entry) return -1;
  off_t position = (off_t)(((uint64_t)(high & 0xFFFFFFFFul) << 32) | (low & 0xFFFFFFFFul));
  return lseek(FromTable(entry), position, SEEK_SET) == (off_t)-1 ? -1 : 0;
}

int64_t FileManager::OsSize(int file) {
  intptr_t entry = HandleAt(file);
  struct stat info;
  if (!entry || fstat(FromTable(entry), &info) != 0) return -1;
  return (int64_t)info.st_size;
}

int FileManager::OsStamp(int file, OpenFileStamp* stamp) {
  intptr_t entry = HandleAt(file);
  struct stat info;
  if (!entry || !stamp || fstat(FromTable(entry), &info) != 0) return -1;
  stamp->Size = (int64_t)info.st_size;
  stamp->LastWrite = (uint64_t)info.st_mtim.tv_sec * 1000000000u + (uint64_t)info.st_mtim.tv_nsec;
  return 0;
}

int FileManager::OsClose(int file) {
  intptr_t entry = ReleaseSlotLocked(file);
  if (entry) close(FromTable(entry));
  return 0;
}

int FileManager::FileFlush(int file) {
  FlushLocked(file, [](intptr_t entry) { fsync(FromTable(entry)); });
  return 0;
}

int FileManager::FileExists(const char* path) {
  struct stat info;
  return path && *path && stat(path, &info) == 0 ? 1 : 0;
}

PackedTime FileManager::FileWriteTime(const char* path) {
  struct stat info;
  if (!path || stat(path, &info) != 0 || !SharedTime()) return 0;
  time_t written = info.st_mtime;
  struct tm local;
  if (!localtime_r(&written, &local)) return 0;
  SYSTEMTIME st;
  memset(&st, 0, sizeof st);
  st.wYear = (uint16_t)(local.tm_year + 1900);
  st.wMonth = (uint16_t)(local.tm_mon + 1);
  st.wDay = (uint16_t)local.tm_mday;
  st.wHour = (uint16_t)local.tm_hour;
  st.wMinute = (uint16_t)local.tm_min;
  st.wSecond = (uint16_t)local.tm_sec;
  return SharedTime()->SystemTimeToPacked(st);
}

int FileManager::FileDelete(const char* path) {
  if (!path) return -1;
  if (unlink(path) == 0) return 0;
  if (!FileExists(path)) return 0;
  FileMakeNormal(path);
  return unlink(path) == 0 ? 0 : -1;
}

int FileManager::FileCopy(const char* from, const char* to) {
  if (!from || !to) return -1;
  int in = open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) return -1;
  int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NewFilePermissions);
  if (out < 0) {
    close(in);
    return -1;
  }
  static_assert(CopyChunkSize <= 65536, "copy buffer lives on the stack");
  char buffer[CopyChunkSize];
  int result = 0;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) { result = -1; break; }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      ssize_t w = write(out, buffer + done, (size_t)(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) { result = -1; break; }
      done += w;
    }
    if (result != 0) break;
  }
  close(in);
  if (close(out) != 0) result = -1;
  return result;
}

int FileManager::FileMakeNormal(const char* path) {
  struct stat info;
  if (!path || stat(path, &info) != 0) return -1;
  return chmod(path, info.st_mode | S_IWUSR) == 0 ? 0 : -1;
}
