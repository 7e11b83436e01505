// Removal steps that touch the shell: the product's shortcuts in the shell's
// special folders.
#include <windows.h>
#include <shlobj.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "platform/windows_version.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

// The shell's path of special folder csidl into out (MAX_PATH bytes).
bool SpecialFolderPath(int csidl, char* out) {
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw))) return false;
  OwnedTaskMemory<LPITEMIDLIST> list(raw);
  return list.IsOpen() && SHGetPathFromIDListA(list.Get(), out) && out[0];
}

bool DeleteShortcut(int commonCsidl, int userCsidl, const char* name) {
  char folder[MAX_PATH];
  if (!name[0]) return true;  // ".lnk" alone is no shortcut of ours
  if (!FindShortcutFolder(commonCsidl, userCsidl, IsNtFamily(), folder)) return false;
  char file[PathBufferSize];
  if (!CopyBounded(file, sizeof file, name) || !AppendBounded(file, sizeof file, ".lnk")) return true;
  char path[PathBufferSize];
  if (!JoinPath(path, sizeof path, folder, file)) return true;
  WIN32_FIND_DATAA entry;
  bool found;
  {
    FindHandle search(path, &entry);
    found = search.Found();
  }
  if (found) DeleteFileA(path);
  return true;
}

}  // namespace

bool FindShortcutFolder(int commonCsidl, int userCsidl, bool ntFamily, char* out) {
  out[0] = '\0';
  if (ntFamily && SpecialFolderPath(commonCsidl, out)) return true;
  if (SpecialFolderPath(userCsidl, out)) return true;
  out[0] = '\0';
  return false;
}

bool DeleteProgramsShortcut(const char* name) { return DeleteShortcut(CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, name); }
bool DeleteStartupShortcut(const char* name) { return DeleteShortcut(CSIDL_COMMON_STARTUP, CSIDL_STARTUP, name); }
bool DeleteDesktopShortcut(const char* name) {
  return DeleteShortcut(CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, name);
}

}  // namespace pw
