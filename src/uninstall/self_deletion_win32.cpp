// Self-deletion through a temporary copy of the uninstaller.
#include "uninstall/self_deletion.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "uninstall/copy_command_line.h"
#include "uninstall/copy_folder.h"
#include "uninstall/file_contents.h"
#include "uninstall/finishing_paths.h"
#include "uninstall/owned_file.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/uninstall_state.h"
#include "uninstall/wininit_rename.h"

namespace pw {
namespace {

bool InstalledFilePath(char* out, size_t size) {
  return JoinPath(out, size, InstallDirectory(), kUninstallerFile);
}

// TempDirectory := the platform's temporary folder without its trailing '\'.
bool FindTempDirectory() {
  DWORD n = GetTempPathA(PathBufferSize, TempDirectory);
  if (n == 0 || n >= PathBufferSize) {
    TempDirectory[0] = '\0';
    return false;
  }
  if (EndsWithBackslash(TempDirectory)) TempDirectory[strlen(TempDirectory) - 1] = '\0';
  return true;
}

// True when both name the same file or folder, in the long or the short
// spelling.
bool SamePath(const char* a, const char* b) {
  if (lstrcmpiA(a, b) == 0) return true;
  char shortA[PathBufferSize];
  char shortB[PathBufferSize];
  DWORD na = GetShortPathNameA(a, shortA, sizeof shortA);
  DWORD nb = GetShortPathNameA(b, shortB, sizeof shortB);
  return na > 0 && na < sizeof shortA && nb > 0 && nb < sizeof shortB && lstrcmpiA(shortA, shortB) == 0;
}

// The running program is a copy the worker made: its module path is
// TempDirectory\<copy folder>\purgetmp.exe.
bool RunningAsTemporaryCopy() {
  char folder[PathBufferSize];
  char parent[PathBufferSize];
  return FindTempDirectory() && ProgramPath[0] && TemporaryCopyFolder(ProgramPath, folder, sizeof folder) &&
         CutAtLastBackslash(folder, parent, sizeof parent) && SamePath(parent, TempDirectory);
}

// The copy between PrepareTemporaryCopy and StartTemporaryCopy. Its file is
// open for reading and shared for reading only, and on the NT family its
// folder is open without delete sharing: from the check of its bytes until
// it runs, nobody can write over the file, or rename or delete it or its
// folder and put another in its place.
struct PreparedCopy {
  char folder[PathBufferSize];  // the folder this run made, while it is there
  char file[PathBufferSize];    // the checked copy, while it waits to be started
  OwnedFile fileLock;
  OwnedFile folderLock;
};
PreparedCopy g_copy;

// True when folder holds the copy and nothing else: a library put beside it
// would be loaded by the copy before the system's own.
bool HoldsOnlyTheCopy(const char* folder) {
  char pattern[PathBufferSize];
  if (!JoinPath(pattern, sizeof pattern, folder, "*")) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(pattern, &entry);
  int copies = 0;
  for (bool more = search.Found(); more; more = search.Next(&entry)) {
    if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
    if (lstrcmpiA(entry.cFileName, kTemporaryCopyFile) != 0) return false;
    ++copies;
  }
  return copies == 1;
}

// Lets go of the copy and removes it and its folder (only an empty folder
// goes, and only the one this run made).
void DiscardCopy() {
  g_copy.fileLock.Close();
  g_copy.folderLock.Close();
  g_copy.file[0] = '\0';
  if (!g_copy.folder[0]) return;
  char file[PathBufferSize];
  if (JoinPath(file, sizeof file, g_copy.folder, kTemporaryCopyFile)) DeleteFileA(file);
  if (RemoveDirectoryA(g_copy.folder)) g_copy.folder[0] = '\0';
}

void RemoveInstalledFileAndFolders(const char* installedFile) {
  for (int attempt = 0; attempt < 60; ++attempt) {
    if (DeleteFileA(installedFile)) break;
    Sleep(500);
  }
  Sleep(250);
  char folder[PathBufferSize];
  if (!CutAtLastBackslash(installedFile, folder, sizeof folder)) return;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (RemoveDirectoryA(folder)) break;
    Sleep(500);
  }
  char parent[PathBufferSize];
  if (CutAtLastBackslash(folder, parent, sizeof parent) && IsMakerFolder(parent)) RemoveDirectoryA(parent);
}

// wininit.ini is read whole; 95/98/ME process no larger file.
constexpr DWORD kWininitLimit = 65536;

// A heap block that is always freed.
class HeapText {
 public:
  explicit HeapText(size_t size) : text_(static_cast<char*>(malloc(size))) {}
  ~HeapText() { free(text_); }
  HeapText(const HeapText&) = delete;
  HeapText& operator=(const HeapText&) = delete;
  char* Get() const { return text_; }

 private:
  char* text_;
};

// Adds line to file's [rename] section and writes the file back whole.
void AddWininitLine(const char* file, const char* line) {
  HeapText text(kWininitLimit);
  const size_t resultSize = kWininitLimit + PathBufferSize + 32;
  HeapText result(resultSize);
  if (!text.Get() || !result.Get()) return;
  HANDLE handle = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  DWORD high = 0;
  DWORD size = GetFileSize(handle, &high);
  DWORD got = 0;
  if (size != INVALID_FILE_SIZE && high == 0 && size <= kWininitLimit &&
      (size == 0 || (ReadFile(handle, text.Get(), size, &got, nullptr) && got == size))) {
    size_t length = AddRenameLine(text.Get(), size, line, result.Get(), resultSize);
    DWORD written = 0;
    if (length > 0 && SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == 0)
      WriteFile(handle, result.Get(), (DWORD)length, &written, nullptr);
  }
  CloseHandle(handle);
}

}  // namespace

bool PrepareTemporaryCopy() {
  DiscardCopy();
  char source[PathBufferSize];
  char file[PathBufferSize];
  if (!FindTempDirectory() || !InstalledFilePath(source, sizeof source) ||
      !MakeCopyFolder(TempDirectory, g_copy.folder, sizeof g_copy.folder))
    return false;
  if (JoinPath(file, sizeof file, g_copy.folder, kTemporaryCopyFile)) {
    // 95/98/ME open no folder; there the new folder's name is the guard.
    g_copy.folderLock.Reset(CreateFileA(g_copy.folder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (CopyToNewFile(source, file)) {
      // What is checked is what runs: the file is held from before the
      // comparison until the copy has been started.
      g_copy.fileLock.Reset(OpenForReadingOnly(file));
      OwnedFile installed(OpenForReadingOnly(source));
      if (g_copy.fileLock.IsOpen() && installed.IsOpen() && SameContents(installed.Get(), g_copy.fileLock.Get()))
        return CopyBounded(g_copy.file, sizeof g_copy.file, file);
    }
  }
  DiscardCopy();
  return false;
}

bool StartTemporaryCopy() {
  char source[PathBufferSize];
  char commandLine[2 * PathBufferSize + 8];
  bool started = false;
  if (g_copy.file[0] && HoldsOnlyTheCopy(g_copy.folder) && InstalledFilePath(source, sizeof source) &&
      BuildCopyCommandLine(g_copy.file, source, commandLine, sizeof commandLine)) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    // Its own folder as the current directory, which older systems search
    // before the system folder for a library loaded by name.
    started = CreateProcessA(g_copy.file, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                             g_copy.folder, &startup, &process) != FALSE;
    if (started) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  if (!started) {
    DiscardCopy();
    return false;
  }
  // The copy's image is mapped: it stays what was checked.
  g_copy.fileLock.Close();
  g_copy.folderLock.Close();
  g_copy.file[0] = '\0';
  g_copy.folder[0] = '\0';
  return true;
}

const char* CopyFolderLeft() { return g_copy.folder; }

void ScheduleDeletionAtRestart(const char* path, int ntFamily) {
  if (ntFamily) {
    // The file first: a folder is removed at the restart only when empty.
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    char folder[PathBufferSize];
    if (TemporaryCopyFolder(path, folder, sizeof folder)) MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  char shortPath[PathBufferSize];
  DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (n == 0 || n >= sizeof shortPath) return;
  char line[PathBufferSize + 8];
  if (!CopyBounded(line, sizeof line, "NUL=") || !AppendBounded(line, sizeof line, shortPath)) return;
  char windows[PathBufferSize];
  char file[PathBufferSize];
  n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows || !JoinPath(file, sizeof file, windows, kWininitFile)) return;
  AddWininitLine(file, line);
}

int FinishRemoval(const char* installedFile) {
  // Anyone may start the installed uninstaller with a dash: only the copy the
  // worker started acts, and only on a file that is this very program.
  if (!RunningAsTemporaryCopy()) return 0;
  if (IsInstalledUninstallerPath(installedFile) && strlen(installedFile) < PathBufferSize &&
      SameFileContents(installedFile, ProgramPath))
    RemoveInstalledFileAndFolders(installedFile);
  ScheduleDeletionAtRestart(ProgramPath, DetectNtFamily());
  return 0;
}

}  // namespace pw
