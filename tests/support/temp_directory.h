// Test support, native and on Windows: a throw-away directory, and whole
// files read and written as bytes to damage a database.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

// A fresh directory, removed with everything in it when the object goes
// (a link inside is removed, never followed). The one throw-away folder of
// the tests, native and on Windows.
class TempDirectory {
 public:
  explicit TempDirectory(const char* tag = "tw") {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    static unsigned serial = 0;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
      const std::filesystem::path candidate =
          base / (std::string(tag) + std::to_string(ProcessNumber()) + "-" + std::to_string(++serial));
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate.string();
        return;
      }
    }
  }
  ~TempDirectory() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return path_; }
  // Full name of an entry in the directory, with the platform's separator.
  std::string File(const std::string& name) const {
#ifdef _WIN32
    return path_ + "\\" + name;
#else
    return path_ + "/" + name;
#endif
  }

 private:
  static unsigned long ProcessNumber() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
  }
  std::string path_;
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
