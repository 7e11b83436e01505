/* A share that stops answering, for tests under Wine: preloaded into the Wine
 * loader (never into the wineserver), it makes every lookup of a path under
 * the share wait and then fail with ENOENT while a flag file exists, as a
 * call into a share whose server went away does on Windows.
 *
 *   TW_HANG_MATCH  '|'-separated parts of a path that mark the share (for
 *                  example "/dosdevices/unc/nas/|/share-target/"); relative
 *                  and *at() paths are made whole first
 *   TW_HANG_FLAG   the flag file; its first number is the wait in seconds
 *                  (3 when it holds none)
 *
 * Built for the host (and with -m32 for the 32-bit Wine).
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "preload_open.h"

typedef int (*open_fn)(const char*, int, ...);
typedef int (*openat_fn)(int, const char*, int, ...);
typedef int (*stat_fn)(const char*, struct stat*);
typedef int (*fstatat_fn)(int, const char*, struct stat*, int);
typedef int (*access_fn)(const char*, int);
typedef int (*faccessat_fn)(int, const char*, int, int);
typedef DIR* (*opendir_fn)(const char*);
typedef ssize_t (*read_fn)(int, void*, size_t);

/* The whole path of (dirfd, path) into out; 0 when it cannot be made. */
static int whole_path(int dirfd, const char* path, char* out, size_t size) {
  char base[4096];
  if (path == NULL) return 0;
  if (path[0] == '/') {
    snprintf(out, size, "%s", path);
    return 1;
  }
  if (dirfd == AT_FDCWD) {
    if (getcwd(base, sizeof base) == NULL) return 0;
  } else {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    ssize_t n = readlink(link, base, sizeof base - 1);
    if (n <= 0) return 0;
    base[n] = '\0';
  }
  snprintf(out, size, "%s/%s", base, path);
  return 1;
}

/* Seconds to wait when the flag is up and the path is under the share, else 0. */
static unsigned hang_seconds(int dirfd, const char* path) {
  const char* match = getenv("TW_HANG_MATCH");
  const char* flag = getenv("TW_HANG_FLAG");
  char whole[8192];
  if (match == NULL || flag == NULL || *match == '\0' || !whole_path(dirfd, path, whole, sizeof whole)) return 0;
  int found = 0;
  const char* p = match;
  while (*p && !found) {
    const char* end = strchr(p, '|');
    size_t n = end ? (size_t)(end - p) : strlen(p);
    if (n > 0) {
      char part[1024];
      if (n >= sizeof part) n = sizeof part - 1;
      memcpy(part, p, n);
      part[n] = '\0';
      found = strstr(whole, part) != NULL;
    }
    p = end ? end + 1 : p + n;
  }
  if (!found) return 0;
  int fd = ((open_fn)real("open"))(flag, O_RDONLY);
  if (fd < 0) return 0;
  char text[32] = "";
  ssize_t got = ((read_fn)real("read"))(fd, text, sizeof text - 1);
  close(fd);
  text[got > 0 ? got : 0] = '\0';
  unsigned seconds = (unsigned)strtoul(text, NULL, 10);
  return seconds ? seconds : 3;
}

/* Waits and fails the call when the share hangs; 0 when the call may go on. */
static int hung(int dirfd, const char* path) {
  unsigned seconds = hang_seconds(dirfd, path);
  if (seconds == 0) return 0;
  struct timespec wait = {(time_t)seconds, 0};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
  errno = ENOENT;
  return 1;
}

int open(const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  if (hung(AT_FDCWD, path)) return -1;
  return ((open_fn)real("open"))(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  if (hung(AT_FDCWD, path)) return -1;
  return ((open_fn)real("open64"))(path, flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  if (hung(dirfd, path)) return -1;
  return ((openat_fn)real("openat"))(dirfd, path, flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  if (hung(dirfd, path)) return -1;
  return ((openat_fn)real("openat64"))(dirfd, path, flags, mode);
}
int stat(const char* path, struct stat* st) {
  if (hung(AT_FDCWD, path)) return -1;
  return ((stat_fn)real("stat"))(path, st);
}
int lstat(const char* path, struct stat* st) {
  if (hung(AT_FDCWD, path)) return -1;
  return ((stat_fn)real("lstat"))(path, st);
}
int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
  if (hung(dirfd, path)) return -1;
  return ((fstatat_fn)real("fstatat"))(dirfd, path, st, flags);
}
#if !defined(__x86_64__)
/* The 32-bit C library has separate large-file forms. */
struct stat64;
typedef int (*stat64_fn)(const char*, struct stat64*);
typedef int (*fstatat64_fn)(int, const char*, struct stat64*, int);
int stat64(const char* path, struct stat64* st) {
  if (hung(AT_FDCWD, path)) return -1;
  return ((stat64_fn)real("stat64"))(path, st);
}
int lstat64(const char* path, struct stat64* st) {
  if (hung(AT_FDCWD, path)) return -1;
  return ((stat64_fn)real("lstat64"))(path, st);
}
int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) {
  if (hung(dirfd, path)) return -1;
  return ((fstatat64_fn)real("fstatat64"))(dirfd, path, st, flags);
}
#endif
int access(const char* path, int mode) {
  if (hung(AT_FDCWD, path)) return -1;
  return ((access_fn)real("access"))(path, mode);
}
int faccessat(int dirfd, const char* path, int mode, int flags) {
  if (hung(dirfd, path)) return -1;
  return ((faccessat_fn)real("faccessat"))(dirfd, path, mode, flags);
}
DIR* opendir(const char* path) {
  if (hung(AT_FDCWD, path)) return NULL;
  return ((opendir_fn)real("opendir"))(path);
}
