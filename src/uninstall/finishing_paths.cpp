// Finishing mode's path rules.
#include "uninstall/finishing_paths.h"

#include <string.h>

#include "common/bounded_text.h"
#include "uninstall/copy_folder.h"
#include "uninstall/purgewell_texts.h"

namespace pw {
namespace {

bool EqualNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? (char)(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? (char)(*b - 'A' + 'a') : *b;
    if (x != y) return false;
    if (!x) return true;
  }
}

}  // namespace

bool IsInstalledUninstallerPath(const char* path) {
  bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':' && path[2] == '\\';
  bool network = path[0] == '\\' && path[1] == '\\';
  if (!drive && !network) return false;
  const char* slash = strrchr(path, '\\');
  return slash && EqualNoCase(slash + 1, kUninstallerFile);
}

bool CutAtLastBackslash(const char* text, char* out, size_t size) {
  if (!CopyBounded(out, size, text)) {
    if (size) out[0] = '\0';
    return false;
  }
  char* slash = strrchr(out, '\\');
  if (!slash) return false;
  *slash = '\0';
  return true;
}

bool IsMakerFolder(const char* folder) {
  const char* slash = strrchr(folder, '\\');
  return slash && EqualNoCase(slash + 1, kMakerName);
}

bool TemporaryCopyFolder(const char* path, char* folder, size_t size) {
  if (!CutAtLastBackslash(path, folder, size) || !EqualNoCase(path + strlen(folder) + 1, kTemporaryCopyFile))
    return false;
  const char* slash = strrchr(folder, '\\');
  return slash && IsCopyFolderName(slash + 1);
}

}  // namespace pw
