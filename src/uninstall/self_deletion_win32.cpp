// Self-deletion through a temporary copy of the uninstaller.
#include "uninstall/self_deletion.h"

#include <windows.h>
#include <string.h>

#include "common/bounded_text.h"
#include "uninstall/copy_command_line.h"
#include "uninstall/finishing_paths.h"
#include "uninstall/path_join.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/uninstall_state.h"

namespace pw {
namespace {

bool InstalledFilePath(char* out, size_t size) {
  return JoinPath(out, size, InstallDirectory(), kUninstallerFile);
}

bool TemporaryCopyPath(char* out, size_t size) {
  return TempDirectory[0] && JoinPath(out, size, TempDirectory, kTemporaryCopyFile);
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

}  // namespace

void PrepareTemporaryCopy() {
  DWORD n = GetTempPathA(kPathSize, TempDirectory);
  if (n == 0 || n >= kPathSize) {
    TempDirectory[0] = '\0';
    return;
  }
  size_t length = strlen(TempDirectory);
  if (length > 0 && TempDirectory[length - 1] == '\\') TempDirectory[length - 1] = '\0';
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
  WritePrivateProfileStringA("rename", "nul", shortPath, "wininit.ini");
}

int FinishRemoval(const char* installedFile) {
  if (IsInstalledUninstallerPath(installedFile) && strlen(installedFile) < kPathSize)
    RemoveInstalledFileAndFolders(installedFile);
  ScheduleDeletionAtRestart(ProgramPath, DetectNtFamily());
  return 0;
}

}  // namespace pw
