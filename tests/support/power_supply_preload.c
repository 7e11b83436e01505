/* A laptop's power supply, for tests under Wine: preloaded into the Wine
 * loader (never into the wineserver), it points every look at
 * /sys/class/power_supply, where Wine reads the battery and mains state on
 * each GetSystemPowerStatus, at a folder the test writes instead, so that the
 * test can unplug and plug in a computer while the programs run.
 *
 *   TW_POWER_SUPPLY  the folder standing for /sys/class/power_supply: one
 *                    folder a supply, each with a "type" file ("Mains" with
 *                    "online", or "Battery" with "present", "status",
 *                    "capacity" and the like); an empty folder is a desktop
 *
 * Built for the host (and with -m32 for the 32-bit Wine).
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "preload_open.h"

typedef int (*open_fn)(const char*, int, ...);
typedef int (*openat_fn)(int, const char*, int, ...);
typedef FILE* (*fopen_fn)(const char*, const char*);
typedef DIR* (*opendir_fn)(const char*);

static const char kSupplies[] = "/sys/class/power_supply";

/* The test's path for a path under /sys/class/power_supply, else the path. */
static const char* redirected(const char* path, char* out, size_t size) {
  const char* folder = getenv("TW_POWER_SUPPLY");
  const size_t n = sizeof kSupplies - 1;
  if (path == NULL || folder == NULL || *folder == '\0' || strncmp(path, kSupplies, n) != 0) return path;
  if (path[n] != '\0' && path[n] != '/') return path;
  if ((size_t)snprintf(out, size, "%s%s", folder, path + n) >= size) return path;
  return out;
}

int open(const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  char buf[4096];
  return ((open_fn)real("open"))(redirected(path, buf, sizeof buf), flags, mode);
}
int open64(const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  char buf[4096];
  return ((open_fn)real("open64"))(redirected(path, buf, sizeof buf), flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  char buf[4096];
  return ((openat_fn)real("openat"))(dirfd, redirected(path, buf, sizeof buf), flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags, mode)
  char buf[4096];
  return ((openat_fn)real("openat64"))(dirfd, redirected(path, buf, sizeof buf), flags, mode);
}
FILE* fopen(const char* path, const char* how) {
  char buf[4096];
  return ((fopen_fn)real("fopen"))(redirected(path, buf, sizeof buf), how);
}
FILE* fopen64(const char* path, const char* how) {
  char buf[4096];
  return ((fopen_fn)real("fopen64"))(redirected(path, buf, sizeof buf), how);
}
DIR* opendir(const char* path) {
  char buf[4096];
  return ((opendir_fn)real("opendir"))(redirected(path, buf, sizeof buf));
}
