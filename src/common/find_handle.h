// A FindFirstFile search that is always ended, whichever way its scope is left.
#pragma once
#include <windows.h>

class FindHandle {
 public:
  FindHandle(const char* pattern, WIN32_FIND_DATAA* data) : handle_(FindFirstFileA(pattern, data)) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAA* data) { return Found() && FindNextFileA(handle_, data) != FALSE; }

 private:
  HANDLE handle_;
};
