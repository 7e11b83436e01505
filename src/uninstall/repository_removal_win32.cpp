// Locating and clearing the backup repository.
#include "uninstall/repository_removal.h"

#include <commctrl.h>
#include <string.h>

#include "common/bounded_text.h"
#include "uninstall/clearable_folder.h"
#include "uninstall/delete_tree.h"
#include "common/find_handle.h"
#include "uninstall/path_join.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"

namespace pw {
namespace {

const char* const kRepositoryFolders[] = {"Logs", "Reports", "System"};
const char* const kRepositoryFiles[] = {"ClientConfig.hdb",       "FileInfo.hdb",   "Local.hdb",
                                        "UserRestoreReport.html", "MessageLog.ldb", "Rigwell.exe"};

// "X:\" for a drive path, "\\server\share\" for a network path; false for
// anything else (a relative path has no root of its own).
bool CopyRoot(const char* path, char* out, size_t outSize) {
  if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':') {
    char root[4] = {path[0], ':', '\\', '\0'};
    return CopyBounded(out, outSize, root);
  }
  if (path[0] != '\\' || path[1] != '\\') return false;
  const char* server = path + 2;
  const char* share = strchr(server, '\\');
  if (!share || share == server || !share[1] || share[1] == '\\') return false;
  const char* end = strchr(share + 1, '\\');
  size_t length = end ? (size_t)(end - path) : strlen(path);
  if (length + 2 > outSize) return false;
  memcpy(out, path, length);
  out[length] = '\\';
  out[length + 1] = '\0';
  return true;
}

// Older systems cannot read a share root's attributes; a search there still
// answers while the share is connected.
bool HasEntries(const char* root) {
  char pattern[kPathSize];
  if (!JoinPath(pattern, sizeof pattern, root, "*")) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(pattern, &entry);
  return search.Found();
}

}  // namespace

bool IsUnreachableFolder(const char* directory) {
  char root[kPathSize];
  if (!directory[0] || !CopyRoot(directory, root, sizeof root)) return false;
  // An empty floppy or card drive must fail quietly, not ask for a disk.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool unreachable = GetFileAttributesA(directory) == INVALID_FILE_ATTRIBUTES &&
                     GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES && !HasEntries(root);
  SetErrorMode(previous);
  return unreachable;
}

bool FindRepositoryDirectory(const char* installDirectory, char* out, size_t outSize) {
  if (outSize == 0) return false;
  out[0] = '\0';
  char configFile[kPathSize];
  if (!JoinPath(configFile, sizeof configFile, installDirectory, kRepositoryConfigFile)) return false;
  // Read into more room than a path may take, so that a longer value is seen
  // as too long instead of arriving cut to some other folder.
  char value[kPathSize * 4];
  DWORD n = GetPrivateProfileStringA(kRepositorySection, kRepositoryKey, "", value, sizeof value, configFile);
  if (!value[0]) return JoinPath(out, outSize, installDirectory, kDefaultRepositoryFolder) && IsClearableFolder(out);
  bool fits = CopyBounded(out, outSize, value) && strlen(value) < kPathSize && n < sizeof value - 2;
  return fits && IsClearableFolder(out);
}

int RemoveRepository(const char* directory, HWND dialog, int position) {
  char repository[kPathSize];
  if (JoinPath(repository, sizeof repository, directory, "Repository")) {
    char pattern[kPathSize];
    // A "Repository" that is a link is unlinked below, never searched.
    if (!IsLink(repository) && JoinPath(pattern, sizeof pattern, repository, "*.*")) {
      WIN32_FIND_DATAA entry;
      FindHandle search(pattern, &entry);
      if (search.Found()) {
        do {
          SendDlgItemMessageA(dialog, IDC_REMOVAL_PROGRESS, PBM_SETPOS, (WPARAM)position, 0);
          ++position;
          RemoveTreeEntry(repository, entry.cFileName, entry.dwFileAttributes);
        } while (search.Next(&entry));
      }
    }
    RemoveDirectoryA(repository);
  }
  char path[kPathSize];
  for (const char* folder : kRepositoryFolders)
    if (JoinPath(path, sizeof path, directory, folder)) DeleteTree(path);
  for (const char* file : kRepositoryFiles)
    if (JoinPath(path, sizeof path, directory, file)) DeleteOneFile(path);
  RemoveDirectoryA(directory);
  return 0;
}

}  // namespace pw
