// Test helper: a fresh folder below the temporary folder, removed with all its
// contents afterwards, and small file helpers for building layouts in it.
#pragma once
#include <windows.h>

#include <string>

namespace pwtest {

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool WriteText(const std::string& path, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(f, text.data(), (DWORD)text.size(), &written, nullptr);
  CloseHandle(f);
  return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

inline bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

// Deletes a tree whatever the attributes, for cleaning up after a test.
inline void Wipe(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
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

class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    path_ = std::string(temp) + "pwtest-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    Wipe(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { Wipe(path_); }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace pwtest
