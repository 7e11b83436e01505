// Removal steps that touch files: the program files of the installation
// folder, whole trees, and what can only go at the next restart.
#include <windows.h>
#include <string.h>

#include "common/string_table.h"
#include "platform/bounded_text.h"
#include "platform/handles.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_rules.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

const char* const kProgramFileList[kProgramFileCount] = {
    nullptr,  // string 137, the main backup program
    "Tickwarden.exe",
    "Tickwardenaide.exe",  // the scheduler's assistant, installed beside it
    "Tickwardensvc.exe",
    "Aidwell.exe",
    "eventmsg.dll",
    "UserGuide.pdf",
    "Guidewell.hlp",
    "Guidewell.gid",
    "Config.txt",
    "SchedulerServiceInfo.txt",
    "RestoreWindows.html",
    "RestoreWindows95.html",
    "RestoreWindows95USB.html",
    "RestoreWindows95OSR2.html",
    "RestoreWindows98.html",
    "RestoreWindows98SE.html",
    "RestoreWindowsME.html",
    "RestoreWindowsNT.html",
    "RestoreWindows2000.html",
    "RestoreWindowsXP.html",
    "RestoreWindows2003.html",
    nullptr,  // string 138, the setup program
};

// Between attempts at a file that a program of another session still runs.
constexpr DWORD kRetryMs = 250;

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// wininit.ini is read whole; 95/98/ME process no larger file.
constexpr DWORD kWininitLimit = 65536;

// The Windows folder's wininit.ini (the profile functions' "wininit.ini").
bool WininitPath(char* out) {
  char windows[PathBufferSize];
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  return n > 0 && n < sizeof windows && JoinPath(out, PathBufferSize, windows, kWininitFile);
}

// Adds line to file's [rename] section and writes the file back whole.
bool AddWininitLine(const char* file, const char* line) {
  const size_t resultSize = kWininitLimit + PathBufferSize + 32;
  OwnedMemory<char> text(static_cast<char*>(malloc(kWininitLimit)));
  OwnedMemory<char> result(static_cast<char*>(malloc(resultSize)));
  if (!text.IsOpen() || !result.IsOpen()) return false;
  OwnedHandle handle(
      CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.IsOpen()) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(handle.Get(), &high);
  DWORD got = 0;
  if (size == INVALID_FILE_SIZE || high != 0 || size > kWininitLimit ||
      (size > 0 && (!ReadFile(handle.Get(), text.Get(), size, &got, nullptr) || got != size)))
    return false;
  size_t length = AddRenameLine(text.Get(), size, line, result.Get(), resultSize);
  DWORD written = 0;
  return length > 0 && SetFilePointer(handle.Get(), 0, nullptr, FILE_BEGIN) == 0 &&
         WriteFile(handle.Get(), result.Get(), (DWORD)length, &written, nullptr) && written == length;
}

}  // namespace

// ---------------------------------------------------------------- program files

void ProgramFileName(size_t index, char* out, size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (index >= kProgramFileCount) return;
  if (kProgramFileList[index]) {
    CopyBounded(out, outSize, kProgramFileList[index]);
  } else {
    CopyText(index == 0 ? IDS_MAIN_PROGRAM_FILE : IDS_SETUP_PROGRAM_FILE, out, outSize);
  }
}

void DeleteProgramFile(const char* installDirectory, const char* name) {
  // An empty name would be the installation folder itself; an unknown
  // installation folder would make the path one on the current drive's root.
  if (!name[0] || !installDirectory[0]) return;
  char path[PathBufferSize];
  if (JoinPath(path, sizeof path, installDirectory, name)) DeleteOneFile(path);
}

size_t DeleteProgramFiles(const char* installDirectory, DWORD sinceTick, DWORD waitMs) {
  if (!installDirectory[0]) return 0;
  char paths[kProgramFileCount][PathBufferSize];
  bool left[kProgramFileCount];
  size_t leftCount = 0;
  for (size_t i = 0; i < kProgramFileCount; ++i) {
    char name[PathBufferSize];
    ProgramFileName(i, name, sizeof name);
    left[i] = name[0] && JoinPath(paths[i], sizeof paths[i], installDirectory, name);
    if (!left[i]) continue;
    DeleteOneFile(paths[i]);
    left[i] = Exists(paths[i]);
    if (left[i]) ++leftCount;
  }
  // The programs of other sessions end on the end request, at their next
  // timer tick; until then their files cannot go.
  while (leftCount > 0 && GetTickCount() - sinceTick < waitMs) {
    Sleep(kRetryMs);
    for (size_t i = 0; i < kProgramFileCount; ++i) {
      if (!left[i]) continue;
      DeleteOneFile(paths[i]);
      if (!Exists(paths[i])) {
        left[i] = false;
        --leftCount;
      }
    }
  }
  size_t atRestart = 0;
  for (size_t i = 0; i < kProgramFileCount; ++i)
    if (left[i] && DeleteAtRestart(paths[i])) ++atRestart;
  return atRestart;
}

// ---------------------------------------------------------------- trees

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

void DeleteTree(const char* folder) {
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
}

// ---------------------------------------------------------------- at the next restart

bool DeleteAtRestart(const char* path, bool ntFamily) {
  if (ntFamily) return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  char shortPath[PathBufferSize];
  DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (n == 0 || n >= sizeof shortPath) return false;
  char line[PathBufferSize + 8];
  char file[PathBufferSize];
  return CopyBounded(line, sizeof line, "NUL=") && AppendBounded(line, sizeof line, shortPath) &&
         WininitPath(file) && AddWininitLine(file, line);
}

bool RemoveFolderAtRestart(const char* folder, bool ntFamily) {
  return ntFamily && MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool CanWriteRestartEntries(bool ntFamily) {
  if (ntFamily) {
    // Where MoveFileEx keeps what it is to do at the restart.
    OwnedKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS;
  }
  char file[PathBufferSize];
  if (!WininitPath(file)) return false;
  if (Exists(file)) {
    OwnedHandle handle(CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle.IsOpen();
  }
  // None yet: one could be made in the Windows folder (and is gone again).
  OwnedHandle handle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.IsOpen()) return false;
  handle.Reset();
  DeleteFileA(file);
  return true;
}

}  // namespace pw
