// The end request's file: written by the uninstaller, looked for by the
// scheduler and the assistant.
#include "common/end_request.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/path_rules.h"

namespace {

constexpr char kEndRequestText[] =
    "Purgewell is removing this installation of Cobaltine. Tickwarden and Tickwardenaide started from this folder "
    "end when they find this file.\r\n";

// 100-nanosecond units of a FILETIME.
constexpr ULONGLONG kTicksPerSecond = 10000000ULL;

ULONGLONG Ticks(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

bool RequestPath(const char* directory, char* out) {
  return directory && JoinPath(out, PathBufferSize, directory, tw::kEndRequestFile);
}

}  // namespace

bool EndRequested(const char* directory) {
  char path[PathBufferSize];
  if (!RequestPath(directory, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
  WIN32_FIND_DATAA entry;
  FindHandle search(path, &entry);
  if (!search.Found()) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG written = Ticks(entry.ftLastWriteTime);
  const ULONGLONG current = Ticks(now);
  const ULONGLONG age = current >= written ? current - written : written - current;
  return age <= tw::kEndRequestSeconds * kTicksPerSecond;
}

bool WriteEndRequest(const char* directory) {
  char path[PathBufferSize];
  if (!RequestPath(directory, path)) return false;
  OwnedHandle file(
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return false;
  DWORD written = 0;
  const DWORD size = sizeof kEndRequestText - 1;
  return WriteFile(file.Get(), kEndRequestText, size, &written, nullptr) && written == size;
}
