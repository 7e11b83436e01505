// The compatibility mode of 95/98/ME as Windows keeps it, for the file
// layer's read-only fallback (platform/system_files.h): there an open in that
// mode (_lopen) fails while another program has the file open for writing,
// where Wine shares reading and writing in every version. On the NT family
// the stand-in is _lopen itself, so that each emulated version shows its own
// rule. In place for the life of the object.
#pragma once
#include <windows.h>

#include "platform/system_files.h"
#include "platform/windows_version.h"

namespace testsharing {

// A deny-write open that is refused for sharing tells that someone has the
// file open for writing (or holds it without letting others read).
inline int OpenInCompatibilityModeAs9x(const char* path) {
  if (!IsNtFamily()) {
    HANDLE probe = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    else if (GetLastError() == ERROR_SHARING_VIOLATION) return HFILE_ERROR;
  }
  return (int)_lopen(path, OF_READ);
}

class CompatibilityModeAs9x {
 public:
  CompatibilityModeAs9x() : previous_(SetCompatibilityOpen(OpenInCompatibilityModeAs9x)) {}
  ~CompatibilityModeAs9x() { SetCompatibilityOpen(previous_); }
  CompatibilityModeAs9x(const CompatibilityModeAs9x&) = delete;
  CompatibilityModeAs9x& operator=(const CompatibilityModeAs9x&) = delete;

 private:
  CompatibilityOpenFunction previous_;
};

}  // namespace testsharing
