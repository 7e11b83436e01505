// Test-side access to the machine-wide state the uninstaller removes: registry
// keys and values, and services in the service control manager. Header-only so
// that the uninstaller's unit tests and its end-to-end test share it.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace testmachine {

// Registry paths are below HKEY_LOCAL_MACHINE unless a root is given.
inline bool KeyExists(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE) {
  HKEY k;
  if (RegOpenKeyA(root, path.c_str(), &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// Creates the key as needed; a test cannot go on without it.
inline void SetValue(const std::string& path, const char* name, const std::string& data,
                     HKEY root = HKEY_LOCAL_MACHINE) {
  HKEY k;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root, path.c_str(), &k));
  RegSetValueExA(k, name, 0, REG_SZ, (const BYTE*)data.c_str(), (DWORD)data.size() + 1);
  RegCloseKey(k);
}

inline bool ValueExists(const std::string& path, const char* name) {
  HKEY k;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &k) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(k);
  return found;
}

inline void DeleteValue(const std::string& path, const char* name, HKEY root = HKEY_LOCAL_MACHINE) {
  HKEY k;
  if (RegOpenKeyA(root, path.c_str(), &k) != ERROR_SUCCESS) return;
  RegDeleteValueA(k, name);
  RegCloseKey(k);
}

// RegDeleteKey takes only keys without subkeys, so these go first; the bound
// keeps a key that cannot be deleted from looping for ever.
inline void DeleteKeyTree(const std::string& path, HKEY root = HKEY_LOCAL_MACHINE) {
  for (int i = 0; i < 16; ++i) {
    HKEY k;
    if (RegOpenKeyA(root, path.c_str(), &k) != ERROR_SUCCESS) return;
    char sub[260];
    bool has = RegEnumKeyA(k, 0, sub, sizeof sub) == ERROR_SUCCESS;
    RegCloseKey(k);
    if (!has) break;
    DeleteKeyTree(path + "\\" + sub, root);
  }
  RegDeleteKeyA(root, path.c_str());
}

inline bool ServiceExists(const char* name) {
  SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!m) return false;
  SC_HANDLE s = OpenServiceA(m, name, SERVICE_QUERY_STATUS);
  if (s) CloseServiceHandle(s);
  CloseServiceHandle(m);
  return s != nullptr;
}

inline void DeleteServiceIfPresent(const char* name) {
  SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!m) return;
  SC_HANDLE s = OpenServiceA(m, name, SERVICE_ALL_ACCESS);
  if (s) {
    DeleteService(s);
    CloseServiceHandle(s);
  }
  CloseServiceHandle(m);
}

}  // namespace testmachine
