// Self-deletion through a temporary copy of the uninstaller: the copy's folder,
// the copy written and checked, its start, and finishing mode, in which the
// copy deletes the installed uninstaller and its folder after the uninstaller
// has exited and has itself deleted at the next restart (docs/uninstaller.md).
#include <windows.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

// Copying and comparing in small fixed buffers.
constexpr DWORD kBlock = 4096;

// Opens path for reading, shared for reading only: while the handle is open
// nobody can write to the file, rename or delete it.
HANDLE OpenForReadingOnly(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Writes source's bytes into target, which this call creates: an existing
// target is never opened. False when anything failed (a target it created may
// then be incomplete).
bool CopyToNewFile(const char* source, const char* target) {
  OwnedHandle in(OpenForReadingOnly(source));
  if (!in.IsOpen()) return false;
  OwnedHandle out(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.IsOpen()) return false;
  char buffer[kBlock];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(out.Get(), buffer, got, &written, nullptr) || written != got) return false;
  }
}

// True when both open files hold the same bytes, read from their beginnings.
// Meant for handles from OpenForReadingOnly, whose files cannot change.
bool SameContents(HANDLE a, HANDLE b) {
  DWORD highA = 0;
  DWORD highB = 0;
  DWORD sizeA = GetFileSize(a, &highA);
  DWORD sizeB = GetFileSize(b, &highB);
  if (sizeA == INVALID_FILE_SIZE || sizeA != sizeB || highA != 0 || highB != 0) return false;
  if (SetFilePointer(a, 0, nullptr, FILE_BEGIN) != 0 || SetFilePointer(b, 0, nullptr, FILE_BEGIN) != 0) return false;
  char bufferA[kBlock];
  char bufferB[kBlock];
  for (DWORD left = sizeA; left > 0;) {
    DWORD want = left < kBlock ? left : kBlock;
    DWORD gotA = 0;
    DWORD gotB = 0;
    if (!ReadFile(a, bufferA, want, &gotA, nullptr) || !ReadFile(b, bufferB, want, &gotB, nullptr)) return false;
    if (gotA != want || gotB != want || memcmp(bufferA, bufferB, want) != 0) return false;
    left -= want;
  }
  return true;
}

bool SameFileContents(const char* a, const char* b) {
  OwnedHandle first(OpenForReadingOnly(a));
  OwnedHandle second(OpenForReadingOnly(b));
  return first.IsOpen() && second.IsOpen() && SameContents(first.Get(), second.Get());
}

bool InstalledFilePath(const UninstallerState& state, char* out, size_t size) {
  return JoinPath(out, size, state.installDirectory, kUninstallerFile);
}

// out := the platform's temporary folder without its trailing '\'.
bool FindTempDirectory(char* out) {
  DWORD n = GetTempPathA(PathBufferSize, out);
  if (n == 0 || n >= PathBufferSize) {
    out[0] = '\0';
    return false;
  }
  if (EndsWithBackslash(out)) *LastCharacter(out) = '\0';
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
// <temporary folder>\<copy folder>\purgetmp.exe.
bool RunningAsTemporaryCopy(const char* runningFile) {
  char temp[PathBufferSize];
  char folder[PathBufferSize];
  char parent[PathBufferSize];
  return FindTempDirectory(temp) && runningFile[0] && TemporaryCopyFolder(runningFile, folder, sizeof folder) &&
         CutAtLastBackslash(folder, parent, sizeof parent) && SamePath(parent, temp);
}

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
    if (!SameTextIgnoringCase(entry.cFileName, kTemporaryCopyFile)) return false;
    ++copies;
  }
  return copies == 1;
}

// Lets go of the copy and removes it and its folder (only an empty folder
// goes, and only the one this run made).
void DiscardCopy(TemporaryCopy& copy) {
  copy.fileLock.Reset();
  copy.folderLock.Reset();
  copy.file[0] = '\0';
  if (!copy.folder[0]) return;
  char file[PathBufferSize];
  if (JoinPath(file, sizeof file, copy.folder, kTemporaryCopyFile)) DeleteFileA(file);
  if (RemoveDirectoryA(copy.folder)) copy.folder[0] = '\0';
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

}  // namespace

uint32_t UnpredictableNumber(unsigned attempt) {
  // Every source here is on 95 and NT 4.0 alike; the performance counter
  // alone runs at a megahertz or more.
  LARGE_INTEGER counter;
  if (!QueryPerformanceCounter(&counter)) counter.QuadPart = 0;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint32_t seed = MixIntoSeed(attempt, GetTickCount());
  seed = MixIntoSeed(seed, counter.LowPart);
  seed = MixIntoSeed(seed, (uint32_t)counter.HighPart);
  seed = MixIntoSeed(seed, now.dwLowDateTime);
  seed = MixIntoSeed(seed, now.dwHighDateTime);
  seed = MixIntoSeed(seed, GetCurrentProcessId());
  seed = MixIntoSeed(seed, GetCurrentThreadId());
  return MixIntoSeed(seed, (uint32_t)(uintptr_t)&counter);
}

bool MakeCopyFolder(const char* parent, char* out, size_t size, CopyFolderNameSource source) {
  for (unsigned attempt = 0; attempt < kCopyFolderAttempts; ++attempt) {
    char name[kCopyFolderNameSize];
    FormatCopyFolderName(source(attempt), name);
    if (!JoinPath(out, size, parent, name)) return false;
    // Created here, or it is someone else's: a folder that was already there
    // may hold anything. (95 reports a name in use as "access denied", so
    // the name itself is looked at.)
    if (CreateDirectoryA(out, nullptr)) return true;
    if (GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES) break;
  }
  if (size) out[0] = '\0';
  return false;
}

bool PrepareTemporaryCopy(UninstallerState& state) {
  TemporaryCopy& copy = state.copy;
  DiscardCopy(copy);
  char source[PathBufferSize];
  char file[PathBufferSize];
  if (!FindTempDirectory(state.tempDirectory) || !InstalledFilePath(state, source, sizeof source) ||
      !MakeCopyFolder(state.tempDirectory, copy.folder, sizeof copy.folder))
    return false;
  if (JoinPath(file, sizeof file, copy.folder, kTemporaryCopyFile)) {
    // 95/98/ME open no folder; there the new folder's name is the guard.
    copy.folderLock.Reset(CreateFileA(copy.folder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (CopyToNewFile(source, file)) {
      // What is checked is what runs: the file is held from before the
      // comparison until the copy has been started.
      copy.fileLock.Reset(OpenForReadingOnly(file));
      OwnedHandle installed(OpenForReadingOnly(source));
      if (copy.fileLock.IsOpen() && installed.IsOpen() && SameContents(installed.Get(), copy.fileLock.Get()))
        return CopyBounded(copy.file, sizeof copy.file, file);
    }
  }
  DiscardCopy(copy);
  return false;
}

bool StartTemporaryCopy(UninstallerState& state) {
  TemporaryCopy& copy = state.copy;
  char source[PathBufferSize];
  char commandLine[2 * PathBufferSize + 8];
  bool started = false;
  if (copy.file[0] && HoldsOnlyTheCopy(copy.folder) && InstalledFilePath(state, source, sizeof source) &&
      BuildCopyCommandLine(copy.file, source, commandLine, sizeof commandLine)) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    // Its own folder as the current directory, which older systems search
    // before the system folder for a library loaded by name.
    started = CreateProcessA(copy.file, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                             copy.folder, &startup, &process) != FALSE;
    if (started) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
  if (!started) {
    DiscardCopy(copy);
    return false;
  }
  // The copy's image is mapped: it stays what was checked.
  copy.fileLock.Reset();
  copy.folderLock.Reset();
  copy.file[0] = '\0';
  copy.folder[0] = '\0';
  return true;
}

void ScheduleCopyDeletionAtRestart(const char* path, bool ntFamily) {
  // The file first: a folder is removed at the restart only when empty.
  DeleteAtRestart(path, ntFamily);
  char folder[PathBufferSize];
  if (TemporaryCopyFolder(path, folder, sizeof folder)) RemoveFolderAtRestart(folder, ntFamily);
}

void FinishRemoval(const char* runningFile, const char* installedFile) {
  // Anyone may start the installed uninstaller with a dash: only the copy the
  // worker started acts, and only on a file that is this very program.
  if (!RunningAsTemporaryCopy(runningFile)) return;
  if (IsInstalledUninstallerPath(installedFile) && strlen(installedFile) < PathBufferSize &&
      SameFileContents(installedFile, runningFile))
    RemoveInstalledFileAndFolders(installedFile);
  ScheduleCopyDeletionAtRestart(runningFile);
}

}  // namespace pw
