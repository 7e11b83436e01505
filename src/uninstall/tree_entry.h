// What the uninstaller's directory walks do with one listed entry. The walk
// takes name and attributes from the find functions; keeping the decision a
// plain function lets it be checked for links that cannot be made everywhere.
#pragma once

namespace pw {

// The attribute bits the decision looks at (same values as the platform's).
constexpr unsigned long kAttributeDirectory = 0x10;
constexpr unsigned long kAttributeReparsePoint = 0x400;

enum class TreeEntryAction {
  Skip,              // "." and ".."
  DescendDirectory,  // a real folder: empty it, then remove it
  DeleteFile,        // a real file: reset its attributes, delete it
  RemoveLinkFolder,  // a junction or directory link: remove the link only
  DeleteLinkFile,    // a file link: delete the link only, never touch its target
};

TreeEntryAction DecideTreeEntry(const char* name, unsigned long attributes);

}  // namespace pw
