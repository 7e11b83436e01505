// The uninstaller's hand-off to a temporary copy of itself, which deletes the
// installed uninstaller and its folder after the uninstaller has exited, and
// has itself and its folder deleted at the next restart.
#pragma once
#ifdef _WIN32

namespace pw {

// Sets TempDirectory, makes a new folder of its own there and writes
// InstallDirectory\Purgewell.exe into it as purgetmp.exe; then holds the copy
// (and on the NT family its folder) against writing, renaming and deleting and
// checks that it holds the installed uninstaller's bytes. True when a checked
// copy waits to be started; otherwise what it made is removed again.
bool PrepareTemporaryCopy();

// Starts the checked copy with the argument text "-" + the installed file's
// path, its own folder as its current directory, and lets go of it. True when
// it runs; when there was no checked copy, or it could not be started, nothing
// runs and the copy is removed again.
bool StartTemporaryCopy();

// The folder this run made for its copy, until the copy has been started or
// the folder removed again; so after a failed start, the folder that could not
// be removed (something else is in it). Otherwise empty.
const char* CopyFolderLeft();

// Finishing mode. Only when the running program is a copy the worker made
// (TempDirectory\<copy folder>\purgetmp.exe): waits for the installed file to
// become deletable and deletes it, removes its folder and an empty maker
// folder above it, and schedules the copy's own deletion. A path that is not
// an absolute "Purgewell.exe" with the running copy's own bytes deletes
// nothing. Run as any other program it does nothing at all. Returns 0.
int FinishRemoval(const char* installedFile);

// The copy's deletion at the next restart (ntFamily selects the method). On
// the NT family the file and then, when path lies in a copy folder, that
// folder; on 95/98/ME a line of its own in wininit.ini's [rename] section for
// the file, since their restart deletes no folder.
void ScheduleDeletionAtRestart(const char* path, int ntFamily);

}  // namespace pw
#endif
