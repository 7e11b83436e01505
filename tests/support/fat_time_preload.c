/* FAT's file times, for tests under Wine: preloaded into the Wine loader
 * (never into the wineserver), it makes every stat of a matching file show
 * its last-write time cut to two seconds, as FAT keeps it; and while a flag
 * file exists, a lookup by name (the directory entry; not a stat of an open
 * file) shows the size the flag holds, as a directory entry can lag behind a
 * file its writer keeps open.
 *
 *   TW_FAT_MATCH  '|'-separated parts of a path that mark the files (for
 *                 example "/ClientConfig.hdb"); relative and *at() paths and
 *                 open files are made whole first
 *   TW_FAT_LAG    the flag file; its first number is the size to show
 *
 * Built for the host (and with -m32 for the 32-bit Wine, whose C library
 * takes the 64-bit-time forms: the headers name them for us).
 */
#define _GNU_SOURCE
#if !defined(__x86_64__)
#define _FILE_OFFSET_BITS 64
#define _TIME_BITS 64
#endif
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

typedef int (*stat_fn)(const char*, struct stat*);
typedef int (*fstat_fn)(int, struct stat*);
typedef int (*fstatat_fn)(int, const char*, struct stat*, int);
typedef int (*open_fn)(const char*, int, ...);
typedef ssize_t (*read_fn)(int, void*, size_t);

/* The C library's own names of the forms this file takes over. */
#if defined(__x86_64__)
#define NAME_STAT "stat"
#define NAME_LSTAT "lstat"
#define NAME_FSTAT "fstat"
#define NAME_FSTATAT "fstatat"
#else
#define NAME_STAT "__stat64_time64"
#define NAME_LSTAT "__lstat64_time64"
#define NAME_FSTAT "__fstat64_time64"
#define NAME_FSTATAT "__fstatat64_time64"
#endif

static void* real(const char* name) { return dlsym(RTLD_NEXT, name); }

/* The whole path of (dirfd, path), or of the open file fd when path is NULL. */
static int whole_path(int dirfd, const char* path, char* out, size_t size) {
  char base[4096], link[64];
  if (path && path[0] == '/') {
    snprintf(out, size, "%s", path);
    return 1;
  }
  if (path == NULL || dirfd != AT_FDCWD) {
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    ssize_t n = readlink(link, base, sizeof base - 1);
    if (n <= 0) return 0;
    base[n] = '\0';
  } else if (getcwd(base, sizeof base) == NULL) {
    return 0;
  }
  if (path == NULL || path[0] == '\0') snprintf(out, size, "%s", base);
  else snprintf(out, size, "%s/%s", base, path);
  return 1;
}

static int matches(int dirfd, const char* path) {
  const char* match = getenv("TW_FAT_MATCH");
  char whole[8192];
  if (match == NULL || *match == '\0' || !whole_path(dirfd, path, whole, sizeof whole)) return 0;
  const char* p = match;
  while (*p) {
    const char* end = strchr(p, '|');
    size_t n = end ? (size_t)(end - p) : strlen(p);
    if (n > 0 && n < 1024) {
      char part[1024];
      memcpy(part, p, n);
      part[n] = '\0';
      if (strstr(whole, part)) return 1;
    }
    if (!end) break;
    p = end + 1;
  }
  return 0;
}

/* The size the flag file holds, or -1 while there is none. */
static long long lagging_size(void) {
  const char* flag = getenv("TW_FAT_LAG");
  if (flag == NULL || *flag == '\0') return -1;
  int fd = ((open_fn)real("open"))(flag, O_RDONLY);
  if (fd < 0) return -1;
  char text[32] = "";
  ssize_t got = ((read_fn)real("read"))(fd, text, sizeof text - 1);
  close(fd);
  text[got > 0 ? got : 0] = '\0';
  return strtoll(text, NULL, 10);
}

static void as_fat(struct stat* st, int byName) {
  st->st_mtim.tv_sec &= ~(time_t)1;
  st->st_mtim.tv_nsec = 0;
  if (byName && S_ISREG(st->st_mode)) {
    long long size = lagging_size();
    if (size >= 0) st->st_size = (off_t)size;
  }
}

int stat(const char* path, struct stat* st) {
  int rc = ((stat_fn)real(NAME_STAT))(path, st);
  if (rc == 0 && matches(AT_FDCWD, path)) as_fat(st, 1);
  return rc;
}
int lstat(const char* path, struct stat* st) {
  int rc = ((stat_fn)real(NAME_LSTAT))(path, st);
  if (rc == 0 && matches(AT_FDCWD, path)) as_fat(st, 1);
  return rc;
}
int fstat(int fd, struct stat* st) {
  int rc = ((fstat_fn)real(NAME_FSTAT))(fd, st);
  if (rc == 0 && matches(fd, NULL)) as_fat(st, 0);
  return rc;
}
int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
  int rc = ((fstatat_fn)real(NAME_FSTATAT))(dirfd, path, st, flags);
  const int byName = !((flags & AT_EMPTY_PATH) && path && path[0] == '\0');
  if (rc == 0 && matches(dirfd, byName ? path : NULL)) as_fat(st, byName);
  return rc;
}
