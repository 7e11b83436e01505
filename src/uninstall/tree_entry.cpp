// The per-entry decision of the directory walks. A reparse point is never
// followed: what it points at belongs to someone else.
#include "uninstall/tree_entry.h"

#include <string.h>

namespace pw {

TreeEntryAction DecideTreeEntry(const char* name, unsigned long attributes) {
  bool directory = (attributes & kAttributeDirectory) != 0;
  if (directory && (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)) return TreeEntryAction::Skip;
  if (name[0] == '\0') return TreeEntryAction::Skip;
  if (attributes & kAttributeReparsePoint)
    return directory ? TreeEntryAction::RemoveLinkFolder : TreeEntryAction::DeleteLinkFile;
  return directory ? TreeEntryAction::DescendDirectory : TreeEntryAction::DeleteFile;
}

}  // namespace pw
