// Every removal step, in the order the worker (uninstall_worker_win32.cpp)
// calls them: this room's table of contents. The steps are grouped in files
// by what they touch: processes, the shell, files, the repository, the
// registry, self-deletion. Each is best-effort: it tries its deletions one
// after another, passes over what is missing or cannot be removed, and never
// stops the sequence. The rules they apply are plain functions in
// removal_rules.h; their state is the caller's UninstallerState.
#pragma once
#ifdef _WIN32
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

#include "platform/windows_version.h"
#include "uninstall/uninstaller_state.h"

namespace pw {

// ================================================================ before the dialog
// registry_win32.cpp, files_win32.cpp

// Whether the user may make every change the removal makes for the whole
// machine: write the machine-wide registry (a test key is created and deleted
// again), and write the restart entries for files that cannot go at once
// (the Session Manager's key on the NT family, wininit.ini in the Windows
// folder on 95/98/ME).
bool CanWriteMachineSettings();
bool CanWriteRestartEntries(bool ntFamily = IsNtFamily());

// ================================================================ 1. processes
// processes_win32.cpp

// Asks every Tickwarden and Tickwardenaide of the installation, in every
// session, to end (the end request in installDirectory, common/end_request.h).
// Returns whether the request was written.
bool AskProgramsToEnd(const char* installDirectory);

// Longest wait for a window to go after WM_CLOSE, the send included; and then
// for its program to end.
constexpr DWORD kCloseWaitMs = 15000;
constexpr DWORD kProcessEndWaitMs = 15000;

// Sends WM_CLOSE to the top-level window of class className and waits, at
// most kCloseWaitMs in all, for windows of that class to be gone, and then,
// at most kProcessEndWaitMs, for the program that owned it to end; then
// sleeps settleMs. No such window: returns at once. A window that does not
// answer cannot hold the caller beyond the bound.
void CloseWindowOfClass(const char* className, DWORD settleMs);
// The same with the class name taken from string classTextNumber.
void CloseProgramWindow(UINT classTextNumber, DWORD settleMs);

// NT family only. Stops the service when it runs (waiting at most 7.5 s) and
// deletes it; a failed deletion is told in a box through the dialog with the
// system's text for the error. False when the service does not exist or
// cannot be opened (true also when no service manager could be opened).
bool RemoveSchedulerService(HWND dialog, const char* serviceName);

// ================================================================ 2. the shell
// shell_win32.cpp

// Each deletes name + ".lnk" from its folder without touching its attributes:
// the all-users folder on the NT family, the user's own otherwise (or when
// the all-users folder cannot be found). False when no folder of that kind
// could be found.
bool DeleteProgramsShortcut(const char* name);
bool DeleteStartupShortcut(const char* name);
bool DeleteDesktopShortcut(const char* name);

// The folder the three use: the all-users one (commonCsidl) on the NT family
// when it exists, else the user's (userCsidl). out holds MAX_PATH bytes.
bool FindShortcutFolder(int commonCsidl, int userCsidl, bool ntFamily, char* out);

// ================================================================ 3. files
// files_win32.cpp. Links (junctions, symbolic links) met on the way are
// removed themselves; what they point at stays.

// ProgramFileList: the files deleted from the installation folder, in order.
// Entries 0 and the last come from the string table (137 and 138).
constexpr size_t kProgramFileCount = 23;
// The name of entry index (0 .. kProgramFileCount - 1) into out.
void ProgramFileName(size_t index, char* out, size_t outSize);

// How long the program files wait for programs of other sessions to end,
// counted from the end request.
constexpr DWORD kOtherSessionsWaitMs = 30000;

// Deletes ProgramFileList from installDirectory. A file that cannot go yet (a
// program of another session still runs it) is tried again until waitMs have
// passed since sinceTick; what is still there then is deleted at the next
// restart. Returns how many files were left for the restart.
size_t DeleteProgramFiles(const char* installDirectory, DWORD sinceTick, DWORD waitMs);

// Resets the attributes of installDirectory\name and deletes it.
void DeleteProgramFile(const char* installDirectory, const char* name);

// Deletes one file: a real file has its attributes reset first (read-only,
// hidden and system files go too); a file link is deleted as it is, since
// changing its attributes would change its target's.
void DeleteOneFile(const char* path);

// True when path exists and is a reparse point (junction or symbolic link).
bool IsLink(const char* path);

// Empties folder and removes it. A folder that is itself a link is only
// unlinked. Entries whose path would exceed 259 characters are skipped.
void DeleteTree(const char* folder);

// The walk's step for one entry listed in folder, with the attributes the
// search reported (DecideTreeEntry). An entry whose full path would not fit is
// left alone.
void RemoveTreeEntry(const char* folder, const char* name, DWORD attributes);

// Whether a folder may be cleared at all: an absolute path below a drive or
// share root that neither is nor lies above the Windows or system folder (in
// their long or short spellings), and that, once every link, mount point and
// substituted drive on the way is followed, is by identity neither one of
// those folders, nor a folder above them, nor the root of a drive
// (folder_guard_win32.cpp).
bool IsClearableFolder(const char* folder);
// Its spelling rules alone, which look at no part of the folder's path.
bool IsClearableSpelling(const char* folder);

// Has path deleted at the next restart: MoveFileEx on the NT family, a line of
// its own in wininit.ini's [rename] section on 95/98/ME. True when the entry
// was written.
bool DeleteAtRestart(const char* path, bool ntFamily = IsNtFamily());
// On the NT family, removes folder at the next restart once it is empty; the
// restart of 95/98/ME removes no folder. True when the entry was written.
bool RemoveFolderAtRestart(const char* folder, bool ntFamily = IsNtFamily());

// ================================================================ 4. the repository
// repository_win32.cpp. Every call runs with the critical-error boxes off, so
// that an empty drive reads as not connected.

enum class RepositoryPlace {
  Clearable,    // out names the directory to clear
  Guarded,      // a root, a system folder or above, or not one definite folder
  Unreachable,  // its disk or share is not connected now
};

// Reads the repository directory from installDirectory's RepositoryConfig.txt
// (section "Repository", key "Path"; a missing or empty value gives the
// installation folder's "data") and says whether it may be cleared. The
// spelling is judged first, then whether its disk is there, and only then is
// the folder itself looked at. Unless Clearable, out holds the folder as
// named, cut to fit, for telling the user which one was kept.
RepositoryPlace FindRepository(const char* installDirectory, char* out, size_t outSize);

// True when directory is absent because the disk or share it lies on is not
// there (an unplugged drive, an empty card or disc drive, a lost network
// connection). A folder missing from a disk that is there is not unreachable.
bool IsUnreachableFolder(const char* directory);

// Clears the folder "Repository" in directory (one progress step per listed
// entry, sent to the dialog's progress bar from position upward), then the
// folders "Logs", "Reports", "System" and the product's files in it, and
// finally the directory itself when it is empty. A directory that is itself a
// link is cleared through it, and its removal then takes the link.
void RemoveRepository(const char* directory, HWND dialog, int position);

// ================================================================ 5. the registry
// registry_win32.cpp

// Deletes the product's key below the system's Uninstall key. False when the
// Uninstall key cannot be opened.
bool DeleteUninstallEntry(const char* product);

// Deletes SOFTWARE\Vornacle\<product> (with its CurrentVersion), the maker key
// when no subkey is left, the product's event-log source and the first SNMP
// extension agent value that names the product.
void DeleteProductRegistry(const char* product);

// ================================================================ 6. self-deletion
// self_deletion_win32.cpp

// Sets state.tempDirectory, makes a new folder of its own there and writes
// the installed Purgewell.exe into it as purgetmp.exe; then holds the copy
// (and on the NT family its folder) against writing, renaming and deleting and
// checks that it holds the installed uninstaller's bytes. True when a checked
// copy waits to be started; otherwise what it made is removed again.
bool PrepareTemporaryCopy(UninstallerState& state);

// Starts the checked copy with the argument text "-" + the installed file's
// path, its own folder as its current directory, and lets go of it. True when
// it runs; when there was no checked copy, or it could not be started, nothing
// runs and the copy is removed again. state.copy.folder then names a folder
// that could not be removed (something else is in it).
bool StartTemporaryCopy(UninstallerState& state);

// The copy's folder: a new one under parent with a name from source (out :=
// its path). A name that exists already is passed over for the next, up to
// kCopyFolderAttempts tries; any other failure ends the search. True only
// when this call created the folder.
using CopyFolderNameSource = uint32_t (*)(unsigned attempt);
uint32_t UnpredictableNumber(unsigned attempt);
constexpr unsigned kCopyFolderAttempts = 16;
bool MakeCopyFolder(const char* parent, char* out, size_t size, CopyFolderNameSource source = UnpredictableNumber);

// Finishing mode, run as runningFile. Only when that is a copy the worker made
// (<temporary folder>\<copy folder>\purgetmp.exe): waits for the installed
// file to become deletable and deletes it, removes its folder and an empty
// maker folder above it, and has the copy and its folder deleted at the next
// restart. A path that is not an absolute "Purgewell.exe" with the running
// copy's own bytes deletes nothing. Run as any other program it does nothing.
void FinishRemoval(const char* runningFile, const char* installedFile);

// The copy's deletion at the next restart: the file and then, on the NT
// family and when path lies in a copy folder, that folder.
void ScheduleCopyDeletionAtRestart(const char* path, bool ntFamily = IsNtFamily());

}  // namespace pw
#endif
