// The uninstaller's guard against clearing a drive root or system folder.
#include "uninstall/clearable_folder.h"

#include <windows.h>

#include "uninstall/path_join.h"
#include "uninstall/repository_directory_rules.h"

namespace pw {

// The folders a cleared folder must never be, nor lie above: the Windows and
// system folders, in their long and short spellings.
bool IsClearableFolder(const char* directory) {
  char folders[4][kPathSize] = {};
  UINT n = GetWindowsDirectoryA(folders[0], kPathSize);
  if (n == 0 || n >= kPathSize) folders[0][0] = '\0';
  n = GetSystemDirectoryA(folders[1], kPathSize);
  if (n == 0 || n >= kPathSize) folders[1][0] = '\0';
  for (int i = 0; i < 2; ++i) {
    DWORD s = folders[i][0] ? GetShortPathNameA(folders[i], folders[i + 2], kPathSize) : 0;
    if (s == 0 || s >= kPathSize) folders[i + 2][0] = '\0';
  }
  const char* guarded[4] = {folders[0], folders[1], folders[2], folders[3]};
  if (!IsRemovableRepositoryDirectory(directory, guarded, 4)) return false;
  // The short spelling of the candidate as well, when it exists.
  char shortForm[kPathSize];
  DWORD s = GetShortPathNameA(directory, shortForm, sizeof shortForm);
  if (s > 0 && s < sizeof shortForm && !IsRemovableRepositoryDirectory(shortForm, guarded, 4)) return false;
  return true;
}

}  // namespace pw
