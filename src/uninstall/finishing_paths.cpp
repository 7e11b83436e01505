// Finishing mode's path rules.
#include "uninstall/finishing_paths.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "uninstall/copy_folder.h"
#include "uninstall/purgewell_texts.h"

namespace pw {

bool IsInstalledUninstallerPath(const char* path) {
  bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':' && path[2] == '\\';
  bool network = path[0] == '\\' && path[1] == '\\';
  if (!drive && !network) return false;
  const char* slash = FindLastCharacter(path, '\\');
  return slash && SameTextIgnoringCase(slash + 1, kUninstallerFile);
}

bool CutAtLastBackslash(const char* text, char* out, size_t size) {
  if (!CopyBounded(out, size, text)) {
    if (size) out[0] = '\0';
    return false;
  }
  char* slash = FindLastCharacter(out, '\\');
  if (!slash) return false;
  *slash = '\0';
  return true;
}

bool IsMakerFolder(const char* folder) {
  const char* slash = FindLastCharacter(folder, '\\');
  return slash && SameTextIgnoringCase(slash + 1, kMakerName);
}

bool TemporaryCopyFolder(const char* path, char* folder, size_t size) {
  if (!CutAtLastBackslash(path, folder, size) || !SameTextIgnoringCase(path + strlen(folder) + 1, kTemporaryCopyFile))
    return false;
  const char* slash = FindLastCharacter(folder, '\\');
  return slash && IsCopyFolderName(slash + 1);
}

}  // namespace pw
