// Path rules of finishing mode: where the temporary copy runs from, which file
// it may delete and which folders above it it may try to remove.
#pragma once
#include <stddef.h>

namespace pw {

// True only for an absolute path ("X:\..." or "\\server\...") whose file-name
// part is "Purgewell.exe" in any case. Anything else handed to the copy is
// not the installed uninstaller and must not be deleted.
bool IsInstalledUninstallerPath(const char* path);

// out := text cut at its last '\'. Returns false when the text holds no '\'
// (out then receives the whole text) or does not fit.
bool CutAtLastBackslash(const char* text, char* out, size_t size);

// True when folder holds a '\' and its last component is the maker's folder
// name, compared without regard to case.
bool IsMakerFolder(const char* folder);

// True when path is "<parent>\<copy folder>\purgetmp.exe" (names in any case),
// the place the uninstaller puts its temporary copy; folder := the path cut
// at its last '\'.
bool TemporaryCopyFolder(const char* path, char* folder, size_t size);

}  // namespace pw
