// The uninstaller's portable rules, in one place: its mode from the command
// line, which repository directories may be cleared, what a directory walk
// does with one entry, where its temporary copy may run from and what that
// copy may delete, the copy's command line and folder names, and the line it
// adds to wininit.ini. Plain functions over texts; the steps that act on the
// system call them (removal_steps.h).
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace pw {

// ---------------------------------------------------------------- the mode

// The command line after the program's own name (quoted or not) and the
// blanks behind it.
const char* ArgumentText(const char* commandLine);

// Finishing mode: the argument text begins with '-'; the rest is the path of
// the installed uninstaller. Anything else is removal mode.
bool IsFinishingMode(const char* argumentText);

// ---------------------------------------------------------------- folders

// Writes the folder in a comparable form: '/' read as '\', repeated separators
// collapsed (the leading "\\" of a network path kept), trailing separators
// removed. Returns false for a text that cannot name one definite folder: too
// long, relative components ("." or ".."), names ending in '.' or ' ', or
// wildcard and stream characters.
bool NormaliseFolder(const char* folder, char* out, size_t size);

// The length of the root of an absolute path: 3 for "X:\...", that of
// "\\server\share\" for a network path; 0 for anything else (a relative path,
// a bare "\\server\share", a device namespace "\\?\" or "\\.\").
size_t AbsoluteRootLength(const char* path);

// True when the (normalised) directory is absolute with at least one folder
// below its root ("\\server\share" itself counts as a root).
bool IsAbsoluteBelowRoot(const char* normalised);

// True when the repository directory may be cleared: absolute, not a root, and
// for every protected folder neither equal to it nor above it (compared without
// regard to case).
bool IsRemovableRepositoryDirectory(const char* directory, const char* const* protectedFolders,
                                    size_t protectedCount);

// ---------------------------------------------------------------- tree walks

// The attribute bits the walk's decision looks at (same values as the platform's).
constexpr unsigned long kAttributeDirectory = 0x10;
constexpr unsigned long kAttributeReparsePoint = 0x400;

// What a walk does with one entry the search listed. A reparse point is never
// followed: what it points at belongs to someone else.
enum class TreeEntryAction {
  Skip,              // "." and ".."
  DescendDirectory,  // a real folder: empty it, then remove it
  DeleteFile,        // a real file: reset its attributes, delete it
  RemoveLinkFolder,  // a junction or directory link: remove the link only
  DeleteLinkFile,    // a file link: delete the link only, never touch its target
};

TreeEntryAction DecideTreeEntry(const char* name, unsigned long attributes);

// ---------------------------------------------------------------- the temporary copy

// "pw" and six hexadecimal digits: eight characters, so that the name is its
// own short (8.3) form and the wininit.ini line and the module path of the
// copy spell it alike.
constexpr size_t kCopyFolderNameSize = 9;

// out := the copy folder's name for value (its low 24 bits).
void FormatCopyFolderName(uint32_t value, char out[kCopyFolderNameSize]);

// True when name has the form FormatCopyFolderName gives (any case).
bool IsCopyFolderName(const char* name);

// seed with value mixed in, every bit of either reaching every bit of the result.
uint32_t MixIntoSeed(uint32_t seed, uint32_t value);

// Builds "<copy> -<installed>" into out. The copy's path is quoted only when
// it holds a blank, so that the copy's argument text still begins with the
// dash; the installed path is never quoted. Returns false when it does not fit.
bool BuildCopyCommandLine(const char* copyPath, const char* installedPath, char* out, size_t size);

// True only for an absolute path whose file-name part is "Purgewell.exe" in
// any case. Anything else handed to the copy is not the installed uninstaller
// and must not be deleted.
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

// ---------------------------------------------------------------- wininit.ini

// The [rename] section of wininit.ini, through which 95/98/ME delete files at
// the next start. Its lines all share the key "NUL", so a new deletion is a
// line of its own: the profile functions would overwrite another program's.
// out := text with line ("NUL=<path>") added as the first line of its
// [rename] section (found without regard to case), or with a new section at
// the end when it has none; every other line stays as it was. Returns the
// length written, or 0 when the result would not fit into out (size bytes,
// terminator included).
size_t AddRenameLine(const char* text, size_t length, const char* line, char* out, size_t size);

}  // namespace pw
