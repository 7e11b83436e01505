// Run claims natively, for their tests: O_CREAT | O_EXCL is what CREATE_NEW is
// underneath Wine, and as atomic between threads and processes.
#include "scheduler/claim_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char ClaimPathSeparator = '/';

ClaimCreate CreateClaimFile(const char* path, const char* text, size_t length, unsigned long* error) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) {
    const int e = errno;
    if (error) *error = static_cast<unsigned long>(e);
    if (e == EEXIST) return ClaimCreate::Exists;
    if (e == ENOENT) return ClaimCreate::NoFolder;
    return ClaimCreate::Failed;
  }
  if (write(fd, text, length) < 0) {
    // The file existing is the claim; its text only tells a reader who made it.
  }
  close(fd);
  return ClaimCreate::Created;
}

bool ClaimFileExists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

bool RemoveClaimFile(const char* path) { return unlink(path) == 0; }

bool MakeClaimFolder(const char* path) {
  if (mkdir(path, 0755) == 0) return true;
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

void ListClaimFolder(const char* folder, size_t bound, ClaimFileVisitor visit, void* context) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return;
  size_t seen = 0;
  while (seen++ < bound) {
    const dirent* entry = readdir(dir);
    if (entry == nullptr) break;
    if (entry->d_name[0] == '.') continue;
    if (!visit(entry->d_name, context)) break;
  }
  closedir(dir);
}
