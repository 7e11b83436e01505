// Removal steps that touch the user's backup repository: where it is, whether
// it may and can be cleared, and clearing what the product keeps in it. The
// repository may lie on a removable disk or a share; the program runs with
// the critical-error boxes off (purgewell_main_win32.cpp), so that looking at
// an empty drive fails quietly instead of asking for a disk.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

const char* const kRepositoryFolders[] = {"Logs", "Reports", "System"};
const char* const kRepositoryFiles[] = {"ClientConfig.hdb",       "FileInfo.hdb",   "Local.hdb",
                                        "UserRestoreReport.html", "MessageLog.ldb", "Rigwell.exe"};

// Older systems cannot read a share root's attributes; a search there still
// answers while the share is connected.
bool HasEntries(const char* root) {
  char pattern[PathBufferSize];
  if (!JoinPath(pattern, sizeof pattern, root, "*")) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(pattern, &entry);
  return search.Found();
}

}  // namespace

bool IsUnreachableFolder(const char* directory) {
  // "X:\" or "\\server\share\" of the folder, which is absolute once found.
  const size_t rootLength = AbsoluteRootLength(directory);
  char root[PathBufferSize];
  if (rootLength == 0 || rootLength >= sizeof root) return false;
  memcpy(root, directory, rootLength);
  root[rootLength] = '\0';
  // A drive letter without a disk in it (an empty card, Zip or disc drive)
  // answers like one whose disk is unplugged: its root cannot be read.
  return GetFileAttributesA(directory) == INVALID_FILE_ATTRIBUTES &&
         GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES && !HasEntries(root);
}

RepositoryPlace FindRepository(const char* installDirectory, char* out, size_t outSize) {
  if (outSize == 0) return RepositoryPlace::Guarded;
  out[0] = '\0';
  char configFile[PathBufferSize];
  if (!JoinPath(configFile, sizeof configFile, installDirectory, kRepositoryConfigFile))
    return RepositoryPlace::Guarded;
  // Read into more room than a path may take, so that a longer value is seen
  // as too long instead of arriving cut to some other folder.
  char value[PathBufferSize * 4];
  DWORD n = GetPrivateProfileStringA(kRepositorySection, kRepositoryKey, "", value, sizeof value, configFile);
  bool fits = value[0] ? CopyBounded(out, outSize, value) && strlen(value) < PathBufferSize && n < sizeof value - 2
                       : JoinPath(out, outSize, installDirectory, kDefaultRepositoryFolder);
  // Whether its disk is there before anything is asked of the folder itself.
  if (!fits || !IsClearableSpelling(out)) return RepositoryPlace::Guarded;
  if (IsUnreachableFolder(out)) return RepositoryPlace::Unreachable;
  return IsClearableFolder(out) ? RepositoryPlace::Clearable : RepositoryPlace::Guarded;
}

void RemoveRepository(const char* directory, HWND dialog, int position) {
  char repository[PathBufferSize];
  if (JoinPath(repository, sizeof repository, directory, "Repository")) {
    char pattern[PathBufferSize];
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
  char path[PathBufferSize];
  for (const char* folder : kRepositoryFolders)
    if (JoinPath(path, sizeof path, directory, folder)) DeleteTree(path);
  for (const char* file : kRepositoryFiles)
    if (JoinPath(path, sizeof path, directory, file)) DeleteOneFile(path);
  RemoveDirectoryA(directory);
}

}  // namespace pw
