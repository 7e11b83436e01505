/* A running program's file cannot be deleted, as on Windows, also across
 * Wine prefixes. Within one prefix the wineserver refuses itself (the image
 * is mapped); a prefix has its own server, which knows nothing of another
 * prefix's programs, and lets it go. Preloaded into one prefix's wineserver
 * (it is the server that deletes: a delete-on-close open is checked there
 * against the file's write bits, and the file unlinked when it closes), this
 * makes a file whose name ends in ".exe" and that another process holds open
 * or mapped (the other prefix's server and program do) look as if it had no
 * write bits, to the server's fstat only: the delete then fails with
 * STATUS_CANNOT_DELETE, which programs see as ERROR_ACCESS_DENIED, as
 * Windows answers for a running program.
 *
 *   TW_HELD_MATCH  only paths holding this text count (all ".exe" when unset)
 *
 * Built for the host (and with -m32 for the 32-bit Wine).
 */
#define _GNU_SOURCE
#if !defined(__x86_64__)
/* The 32-bit server is built with 64-bit file sizes and times: its fstat is
   __fstat64_time64, and struct stat here must be that call's. */
#define _FILE_OFFSET_BITS 64
#define _TIME_BITS 64
#endif
#include <dirent.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__)
#define REAL_FSTAT "fstat"
#else
#define REAL_FSTAT "__fstat64_time64"
#endif

typedef int (*fstat_fn)(int, struct stat*);

/* The path behind one of this process's descriptors; 0 when unknown. */
static int path_of_fd(int fd, char* out, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, out, size - 1);
  if (n <= 0) return 0;
  out[n] = '\0';
  return 1;
}

static int counts(const char* path) {
  const char* match = getenv("TW_HELD_MATCH");
  size_t n = strlen(path);
  if (n < 4 || strcasecmp(path + n - 4, ".exe") != 0) return 0;
  return match == NULL || *match == '\0' || strstr(path, match) != NULL;
}

/* Whether a process other than this one has the file (dev, ino) open. */
static int open_elsewhere(dev_t dev, ino_t ino) {
  DIR* processes = opendir("/proc");
  if (processes == NULL) return 0;
  const pid_t self = getpid();
  int found = 0;
  struct dirent* p;
  while (!found && (p = readdir(processes)) != NULL) {
    char* end;
    long pid = strtol(p->d_name, &end, 10);
    if (*end != '\0' || pid <= 0 || pid == self) continue;
    char folder[64];
    snprintf(folder, sizeof folder, "/proc/%ld/fd", pid);
    DIR* fds = opendir(folder);
    if (fds == NULL) continue;
    struct dirent* f;
    while (!found && (f = readdir(fds)) != NULL) {
      if (f->d_name[0] == '.') continue;
      char entry[128];
      struct stat st;
      snprintf(entry, sizeof entry, "%s/%s", folder, f->d_name);
      if (stat(entry, &st) == 0 && st.st_dev == dev && st.st_ino == ino) found = 1;
    }
    closedir(fds);
  }
  closedir(processes);
  return found;
}

int fstat(int fd, struct stat* st) {
  static fstat_fn real_fstat;
  if (real_fstat == NULL) real_fstat = (fstat_fn)dlsym(RTLD_NEXT, REAL_FSTAT);
  int result = real_fstat(fd, st);
  char path[4096];
  if (result == 0 && S_ISREG(st->st_mode) && path_of_fd(fd, path, sizeof path) && counts(path) &&
      open_elsewhere(st->st_dev, st->st_ino))
    st->st_mode &= ~(mode_t)(S_IWUSR | S_IWGRP | S_IWOTH);
  return result;
}
