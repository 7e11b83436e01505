// Shortcut deletion from the shell's special folders.
#include "uninstall/shortcuts.h"

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "uninstall/item_id_list.h"
#include "platform/path_rules.h"
#include "uninstall/uninstall_state.h"

namespace pw {
namespace {

int DeleteShortcut(int commonCsidl, int userCsidl, const char* name) {
  char folder[MAX_PATH];
  if (!name[0]) return 0;  // ".lnk" alone is no shortcut of ours
  if (!FindShortcutFolder(commonCsidl, userCsidl, DetectNtFamily(), folder)) return -1;
  char file[PathBufferSize];
  if (!CopyBounded(file, sizeof file, name) || !AppendBounded(file, sizeof file, ".lnk")) return 0;
  char path[PathBufferSize];
  if (!JoinPath(path, sizeof path, folder, file)) return 0;
  WIN32_FIND_DATAA entry;
  bool found;
  {
    FindHandle search(path, &entry);
    found = search.Found();
  }
  if (found) DeleteFileA(path);
  return 0;
}

}  // namespace

bool FindShortcutFolder(int commonCsidl, int userCsidl, int ntFamily, char* out) {
  out[0] = '\0';
  if (ntFamily) {
    ItemIdList common(commonCsidl);
    if (common.Path(out) && out[0]) return true;
  }
  ItemIdList user(userCsidl);
  if (user.Path(out) && out[0]) return true;
  out[0] = '\0';
  return false;
}

int DeleteProgramsShortcut(const char* name) { return DeleteShortcut(CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, name); }
int DeleteStartupShortcut(const char* name) { return DeleteShortcut(CSIDL_COMMON_STARTUP, CSIDL_STARTUP, name); }
int DeleteDesktopShortcut(const char* name) {
  return DeleteShortcut(CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, name);
}

}  // namespace pw
