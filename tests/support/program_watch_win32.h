// Test-side watching of real programs under Wine: polling a log or a window
// with a deadline, counting and ending processes by their file name, and
// throw-away files and folders. Header-only so that unit and system tests share
// it without a library.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <string.h>

#include <string>

namespace testwatch {

constexpr DWORD kDeadlineMs = 15000;
constexpr DWORD kPollMs = 20;

// Polls pred until it holds or deadlineMs have passed; returns its last value.
template <typename Pred>
bool PollUntil(Pred pred, DWORD deadlineMs = kDeadlineMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > deadlineMs) return pred();
    Sleep(kPollMs);
  }
}

inline std::string ReadText(const std::string& path) {
  std::string text;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  CloseHandle(f);
  return text;
}

// Lines of a log, without their line ends.
inline int CountLines(const std::string& text, const std::string& line) {
  int n = 0;
  size_t pos = 0;
  const std::string whole = line + "\r\n";
  while ((pos = text.find(whole, pos)) != std::string::npos) {
    if (pos == 0 || text[pos - 1] == '\n') ++n;
    pos += whole.size();
  }
  return n;
}

inline bool WaitForLine(const std::string& log, const std::string& line, DWORD deadlineMs = kDeadlineMs) {
  return PollUntil([&] { return CountLines(ReadText(log), line) > 0; }, deadlineMs);
}

inline HWND WaitForWindow(const char* cls, DWORD deadlineMs = kDeadlineMs) {
  HWND found = nullptr;
  PollUntil([&] { return (found = FindWindowA(cls, nullptr)) != nullptr; }, deadlineMs);
  return found;
}

inline bool WaitForNoWindow(const char* cls, DWORD deadlineMs = kDeadlineMs) {
  return PollUntil([&] { return FindWindowA(cls, nullptr) == nullptr; }, deadlineMs);
}

inline bool SameFileName(const char* exePath, const char* name) {
  const char* base = strrchr(exePath, '\\');
  base = base ? base + 1 : exePath;
  return lstrcmpiA(base, name) == 0;
}

// Calls fn(pid) for every process whose file is named `name`.
template <typename Fn>
void ForEachProcessNamed(const char* name, Fn fn) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
    if (SameFileName(entry.szExeFile, name)) fn(entry.th32ProcessID);
  }
  CloseHandle(snap);
}

// Top-level windows of a class, by any title.
struct ClassCount {
  const char* cls;
  int count;
};

inline BOOL CALLBACK CountIfOfClass(HWND wnd, LPARAM lp) {
  auto* c = reinterpret_cast<ClassCount*>(lp);
  char name[256];
  if (GetClassNameA(wnd, name, sizeof name) > 0 && lstrcmpA(name, c->cls) == 0) ++c->count;
  return TRUE;
}

inline int CountWindowsOfClass(const char* cls) {
  ClassCount count = {cls, 0};
  EnumWindows(CountIfOfClass, reinterpret_cast<LPARAM>(&count));
  return count.count;
}

inline int CountProcessesNamed(const char* name) {
  int n = 0;
  ForEachProcessNamed(name, [&](DWORD) { ++n; });
  return n;
}

// Ends every process of that file name and waits until each is gone.
inline void EndProcessesNamed(const char* name) {
  ForEachProcessNamed(name, [](DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p) return;
    TerminateProcess(p, 99);
    WaitForSingleObject(p, kDeadlineMs);
    CloseHandle(p);
  });
}

// A handle to the process that owns a window (query, terminate, wait), or null.
inline HANDLE OpenWindowProcess(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  return pid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
}

inline std::string ProgramDirectory() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH] = '\0';
  char* slash = strrchr(path, '\\');
  if (slash) *slash = '\0';
  return path;
}

inline bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

// Creates every folder of path (like mkdir -p); true when it exists afterwards.
// Steps by character: the second byte of 表 (code page 932) is no separator.
inline bool MakeFolders(const std::string& path) {
  for (size_t i = 3; i < path.size(); i += IsDBCSLeadByte(static_cast<BYTE>(path[i])) ? 2 : 1)
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes text to path, replacing it, and then gives the file its attributes;
// true when all of it was written and the attributes set.
inline bool WriteText(const std::string& path, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
  CloseHandle(f);
  return ok && written == text.size() && SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

// The temp directory without its trailing '\\', as the uninstaller keeps it.
inline std::string TempFolder() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::string s = path;
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

// A new empty folder under the temp directory; each call gives another.
inline std::string MakeTempFolder(const char* prefix) {
  char dir[MAX_PATH];
  char file[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  GetTempFileNameA(dir, prefix, 0, file);
  DeleteFileA(file);
  CreateDirectoryA(file, nullptr);
  return file;
}

// Deletes a tree whatever the attributes, for cleaning up after a test. A
// link is removed, never entered: what it points at is not the test's.
inline void Wipe(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    if (!RemoveDirectoryA(path.c_str())) DeleteFileA(path.c_str());
    return;
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = d.cFileName;
      if (n != "." && n != "..") Wipe(path + "\\" + n);
    } while (FindNextFileA(h, &d));
    FindClose(h);
  }
  RemoveDirectoryA(path.c_str());
}

// A fresh temporary folder that goes with all its contents when the test ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag) : path_(MakeTempFolder(tag)) {}
  ~ScratchFolder() { Wipe(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace testwatch
