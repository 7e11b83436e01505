// The Windows family, from GetVersion().
#include "platform/windows_version.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool IsNtFamilyVersion(unsigned long versionWord) { return (versionWord & 0x80000000UL) == 0; }

bool IsNtFamily() {
#ifdef _WIN32
  // Asked once; threads that race here store the same answer. (A function's
  // static with a guard would pull the runtime's thread-safe start-up code,
  // and its imports, into every program.)
  static volatile long answer = 0;  // 0 unknown, 1 NT family, 2 95/98/ME
  if (answer == 0) answer = IsNtFamilyVersion(GetVersion()) ? 1 : 2;
  return answer == 1;
#else
  return true;
#endif
}
