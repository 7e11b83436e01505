// The system's file calls over POSIX, for the native build (tests, tools,
// fuzzing). Sharing modes and attributes have no POSIX counterpart and are
// not emulated; file tests match an exact path (no wildcards).
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <new>

#include "platform/system_files.h"

namespace {

const mode_t NewFilePermissions = 0644;
const size_t CopyChunkSize = 65536;

class SystemFile : public OpenedFile {
 public:
  explicit SystemFile(int fd) : fd_(fd) {}
  ~SystemFile() override { close(fd_); }
  SystemFile(const SystemFile&) = delete;
  SystemFile& operator=(const SystemFile&) = delete;

  int Read(void* dest, unsigned count) override {
    unsigned total = 0;
    while (total < count) {
      ssize_t n = read(fd_, (char*)dest + total, count - total);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      total += (unsigned)n;
    }
    return (int)total;
  }

  int Write(const void* source, unsigned count) override {
    unsigned total = 0;
    while (total < count) {
      ssize_t n = write(fd_, (const char*)source + total, count - total);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return total == 0 ? FileErrorNothingWritten : FileErrorGeneral;
      total += (unsigned)n;
    }
    return (int)total;
  }

  int Seek(uint64_t position) override { return lseek(fd_, (off_t)position, SEEK_SET) == (off_t)-1 ? -1 : 0; }

  int64_t Size() override {
    struct stat info;
    if (fstat(fd_, &info) != 0) return -1;
    return (int64_t)info.st_size;
  }

  int Stamp(OpenFileStamp* stamp) override {
    struct stat info;
    if (!stamp || fstat(fd_, &info) != 0) return -1;
    stamp->Size = (int64_t)info.st_size;
    stamp->LastWrite = (uint64_t)info.st_mtim.tv_sec * 1000000000u + (uint64_t)info.st_mtim.tv_nsec;
    return 0;
  }

  void Flush() override { fsync(fd_); }

 private:
  int fd_;
};

}  // namespace


uint64_t StampClockNow() {
  struct timespec now;
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
  return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

OpenedFile* OpenSystemFile(const char* path, int modeAndFlags, bool, int* why) {
  *why = FileErrorGeneral;
  if (!path) return nullptr;
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
    if (errno == EACCES || errno == EPERM) *why = FileErrorAccessDenied;
    else if (errno == ETXTBSY) *why = FileErrorSharing;
    return nullptr;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  if (mode == OpenAppend) lseek(fd, 0, SEEK_END);
  OpenedFile* file = new (std::nothrow) SystemFile(fd);
  if (!file) close(fd);
  return file;
}

bool SystemFileFound(const char* path) {
  struct stat info;
  return path && *path && stat(path, &info) == 0;
}

bool SystemFileWriteTime(const char* path, LocalFileTime* local) {
  struct stat info;
  if (!path || stat(path, &info) != 0) return false;
  time_t written = info.st_mtime;
  struct tm parts;
  if (!localtime_r(&written, &parts)) return false;
  *local = LocalFileTime{(uint16_t)(parts.tm_year + 1900), (uint16_t)(parts.tm_mon + 1), (uint16_t)parts.tm_mday,
                         (uint16_t)parts.tm_hour, (uint16_t)parts.tm_min, (uint16_t)parts.tm_sec};
  return true;
}

bool RemoveSystemFile(const char* path) { return path && unlink(path) == 0; }

bool CopySystemFile(const char* from, const char* to) {
  if (!from || !to) return false;
  int in = open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = open(to, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, NewFilePermissions);
  if (out < 0) {
    close(in);
    return false;
  }
  static_assert(CopyChunkSize <= 65536, "copy buffer lives on the stack");
  char buffer[CopyChunkSize];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) { ok = false; break; }
    if (n == 0) break;
    ssize_t done = 0;
    while (done < n) {
      ssize_t w = write(out, buffer + done, (size_t)(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) { ok = false; break; }
      done += w;
    }
    if (!ok) break;
  }
  close(in);
  if (close(out) != 0) ok = false;
  return ok;
}

bool MakeSystemFileNormal(const char* path) {
  struct stat info;
  if (!path || stat(path, &info) != 0) return false;
  return chmod(path, info.st_mode | S_IWUSR) == 0;
}
