// A file or folder handle from CreateFileA, closed when its holder goes.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

class OwnedFile {
 public:
  OwnedFile() = default;
  explicit OwnedFile(HANDLE handle) : handle_(handle) {}
  ~OwnedFile() { Close(); }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;

  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace pw
#endif
