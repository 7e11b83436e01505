// The uninstaller's directory walk over real files and folders.
#include "uninstall/delete_tree.h"

#include "platform/handles.h"
#include "platform/path_rules.h"
#include "uninstall/tree_entry.h"

namespace pw {

bool IsLink(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void DeleteOneFile(const char* path) {
  if (!IsLink(path)) SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

void RemoveTreeEntry(const char* folder, const char* name, DWORD attributes) {
  TreeEntryAction action = DecideTreeEntry(name, attributes);
  if (action == TreeEntryAction::Skip) return;
  char path[PathBufferSize];
  if (!JoinPath(path, sizeof path, folder, name)) return;
  switch (action) {
    case TreeEntryAction::DescendDirectory:
      DeleteTree(path);
      break;
    case TreeEntryAction::DeleteFile:
      SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path);
      break;
    case TreeEntryAction::RemoveLinkFolder:
      RemoveDirectoryA(path);
      break;
    case TreeEntryAction::DeleteLinkFile:
      DeleteFileA(path);
      break;
    case TreeEntryAction::Skip:
      break;
  }
}

int DeleteTree(const char* folder) {
  if (!IsLink(folder)) {
    char pattern[PathBufferSize];
    if (JoinPath(pattern, sizeof pattern, folder, "*.*")) {
      WIN32_FIND_DATAA entry;
      FindHandle search(pattern, &entry);
      if (search.Found()) {
        do {
          RemoveTreeEntry(folder, entry.cFileName, entry.dwFileAttributes);
        } while (search.Next(&entry));
      }
    }
  }
  RemoveDirectoryA(folder);
  return 0;
}

}  // namespace pw
