// Self-deletion through a temporary copy of the uninstaller.
#include "uninstall/self_deletion.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "common/bounded_text.h"
#include "common/path_chars.h"
#include "uninstall/copy_command_line.h"
#include "uninstall/file_contents.h"
#include "uninstall/finishing_paths.h"
#include "uninstall/path_join.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/uninstall_state.h"
#include "uninstall/wininit_rename.h"

namespace pw {
namespace {

bool InstalledFilePath(char* out, size_t size) {
  return JoinPath(out, size, InstallDirectory(), kUninstallerFile);
}

bool TemporaryCopyPath(char* out, size_t size) {
  return TempDirectory[0] && JoinPath(out, size, TempDirectory, kTemporaryCopyFile);
}

// TempDirectory := the platform's temporary folder without its trailing '\'.
bool FindTempDirectory() {
  DWORD n = GetTempPathA(kPathSize, TempDirectory);
  if (n == 0 || n >= kPathSize) {
    TempDirectory[0] = '\0';
    return false;
  }
  if (EndsWithBackslash(TempDirectory)) TempDirectory[strlen(TempDirectory) - 1] = '\0';
  return true;
}

// The running program is the copy the worker made: its module path is
// TempDirectory\purgetmp.exe, in the long or the short spelling.
bool RunningAsTemporaryCopy() {
  char copy[kPathSize];
  if (!FindTempDirectory() || !TemporaryCopyPath(copy, sizeof copy) || !ProgramPath[0]) return false;
  if (lstrcmpiA(copy, ProgramPath) == 0) return true;
  char a[kPathSize];
  char b[kPathSize];
  DWORD na = GetShortPathNameA(copy, a, sizeof a);
  DWORD nb = GetShortPathNameA(ProgramPath, b, sizeof b);
  return na > 0 && na < sizeof a && nb > 0 && nb < sizeof b && lstrcmpiA(a, b) == 0;
}

void RemoveInstalledFileAndFolders(const char* installedFile) {
  for (int attempt = 0; attempt < 60; ++attempt) {
    if (DeleteFileA(installedFile)) break;
    Sleep(500);
  }
  Sleep(250);
  char folder[kPathSize];
  if (!CutAtLastBackslash(installedFile, folder, sizeof folder)) return;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (RemoveDirectoryA(folder)) break;
    Sleep(500);
  }
  char parent[kPathSize];
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
  const size_t resultSize = kWininitLimit + kPathSize + 32;
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

void PrepareTemporaryCopy() {
  if (!FindTempDirectory()) return;
  char source[kPathSize];
  char target[kPathSize];
  if (!InstalledFilePath(source, sizeof source) || !TemporaryCopyPath(target, sizeof target)) return;
  CopyFileA(source, target, FALSE);
}

void StartTemporaryCopy() {
  char source[kPathSize];
  char target[kPathSize];
  if (!InstalledFilePath(source, sizeof source) || !TemporaryCopyPath(target, sizeof target)) return;
  char commandLine[2 * kPathSize + 8];
  if (!BuildCopyCommandLine(target, source, commandLine, sizeof commandLine)) return;
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (CreateProcessA(target, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, TempDirectory,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

void ScheduleDeletionAtRestart(const char* path, int ntFamily) {
  if (ntFamily) {
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  char shortPath[kPathSize];
  DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (n == 0 || n >= sizeof shortPath) return;
  char line[kPathSize + 8];
  if (!CopyBounded(line, sizeof line, "NUL=") || !AppendBounded(line, sizeof line, shortPath)) return;
  char windows[kPathSize];
  char file[kPathSize];
  n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows || !JoinPath(file, sizeof file, windows, kWininitFile)) return;
  AddWininitLine(file, line);
}

int FinishRemoval(const char* installedFile) {
  // Anyone may start the installed uninstaller with a dash: only the copy the
  // worker started acts, and only on a file that is this very program.
  if (!RunningAsTemporaryCopy()) return 0;
  if (IsInstalledUninstallerPath(installedFile) && strlen(installedFile) < kPathSize &&
      SameFileContents(installedFile, ProgramPath))
    RemoveInstalledFileAndFolders(installedFile);
  ScheduleDeletionAtRestart(ProgramPath, DetectNtFamily());
  return 0;
}

}  // namespace pw
