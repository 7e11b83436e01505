// Test support for the settings tests, native and on Windows: a throw-away
// directory, and whole files read and written as bytes to damage a database.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

// A fresh directory, removed with its files when the object goes.
class TempDirectory {
 public:
  TempDirectory() {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (unsigned n = GetTickCount();; ++n) {
      char candidate[MAX_PATH];
      snprintf(candidate, sizeof candidate, "%stwsettings%08x", base, n);
      if (CreateDirectoryA(candidate, nullptr)) {
        path_ = candidate;
        break;
      }
    }
#else
    char pattern[] = "/tmp/twsettingsXXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
#endif
  }
  ~TempDirectory() {
    for (const std::string& f : files_) remove(f.c_str());
#ifdef _WIN32
    RemoveDirectoryA(path_.c_str());
#else
    rmdir(path_.c_str());
#endif
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return path_; }
  // Full name of a file in the directory; it (and its mirror) go with the directory.
  std::string File(const std::string& name) {
#ifdef _WIN32
    std::string full = path_ + "\\" + name;
#else
    std::string full = path_ + "/" + name;
#endif
    files_.push_back(full);
    files_.push_back(full + ".mirror");
    return full;
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return bytes;
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  fclose(f);
  return bytes;
}

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

}  // namespace testsupport
