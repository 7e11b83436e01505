// Another program holding a file open without sharing: the file is opened
// exclusively on a thread of the test until told to let go (or until a
// generous bound passes, so that a failing test cannot hang).
#pragma once
#include <windows.h>

#include <string>

namespace testwatch {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::string& path) : path_(path) {
    locked_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(locked_, kBoundMilliseconds);
  }
  ~ExclusiveLock() {
    Release();
    WaitForSingleObject(thread_, kBoundMilliseconds);
    CloseHandle(thread_);
    CloseHandle(locked_);
    CloseHandle(release_);
  }
  bool Held() const { return held_; }
  // Returns once the file is closed, so that the next open finds it free.
  void Release() {
    SetEvent(release_);
    WaitForSingleObject(thread_, kBoundMilliseconds);
  }

 private:
  static const DWORD kBoundMilliseconds = 60000;
  static DWORD WINAPI Run(LPVOID self) {
    ExclusiveLock* lock = static_cast<ExclusiveLock*>(self);
    HANDLE file = CreateFileA(lock->path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    lock->held_ = file != INVALID_HANDLE_VALUE;
    SetEvent(lock->locked_);
    WaitForSingleObject(lock->release_, kBoundMilliseconds);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return 0;
  }

  std::string path_;
  HANDLE locked_;
  HANDLE release_;
  HANDLE thread_;
  volatile bool held_ = false;
};

}  // namespace testwatch
