// A service-manager or service handle that is always closed.
#pragma once
#include <windows.h>

namespace pw {

class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ServiceHandle() {
    if (handle_) CloseServiceHandle(handle_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  bool IsOpen() const { return handle_ != nullptr; }
  SC_HANDLE Get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

}  // namespace pw
