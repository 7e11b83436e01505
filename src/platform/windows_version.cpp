// The Windows family, from GetVersion().
#include "platform/windows_version.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool IsNtFamilyVersion(unsigned long versionWord) { return (versionWord & 0x80000000UL) == 0; }

bool IsNtFamily() {
#ifdef _WIN32
  static const bool family = IsNtFamilyVersion(GetVersion());
  return family;
#else
  return true;
#endif
}
