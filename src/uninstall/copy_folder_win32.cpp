// Creating the temporary copy's folder under a name nobody could know.
#include "uninstall/copy_folder.h"

#include <windows.h>

#include "platform/path_rules.h"

namespace pw {

uint32_t UnpredictableNumber(unsigned attempt) {
  // Every source here is on 95 and NT 4.0 alike; the performance counter
  // alone runs at a megahertz or more.
  LARGE_INTEGER counter;
  if (!QueryPerformanceCounter(&counter)) counter.QuadPart = 0;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint32_t seed = MixIntoSeed(attempt, GetTickCount());
  seed = MixIntoSeed(seed, counter.LowPart);
  seed = MixIntoSeed(seed, (uint32_t)counter.HighPart);
  seed = MixIntoSeed(seed, now.dwLowDateTime);
  seed = MixIntoSeed(seed, now.dwHighDateTime);
  seed = MixIntoSeed(seed, GetCurrentProcessId());
  seed = MixIntoSeed(seed, GetCurrentThreadId());
  return MixIntoSeed(seed, (uint32_t)(uintptr_t)&counter);
}

bool MakeCopyFolder(const char* parent, char* out, size_t size, CopyFolderNameSource source) {
  for (unsigned attempt = 0; attempt < kCopyFolderAttempts; ++attempt) {
    char name[kCopyFolderNameSize];
    FormatCopyFolderName(source(attempt), name);
    if (!JoinPath(out, size, parent, name)) return false;
    // Created here, or it is someone else's: a folder that was already there
    // may hold anything. (95 reports a name in use as "access denied", so
    // the name itself is looked at.)
    if (CreateDirectoryA(out, nullptr)) return true;
    if (GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES) break;
  }
  if (size) out[0] = '\0';
  return false;
}

}  // namespace pw
