// An open registry key that is always closed.
#pragma once
#include <windows.h>

namespace pw {

class RegistryKey {
 public:
  RegistryKey() = default;
  // Opens parent\path with RegOpenKeyA; Open() tells whether it worked.
  RegistryKey(HKEY parent, const char* path) {
    if (parent && RegOpenKeyA(parent, path, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  bool IsOpen() const { return key_ != nullptr; }
  HKEY Get() const { return key_; }
  void Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace pw
