// Byte-for-byte file comparison in small fixed buffers.
#include "uninstall/file_contents.h"

#include <windows.h>
#include <string.h>

namespace pw {
namespace {

// A file opened for reading that is always closed. Others may read it too
// (a running program's file is open for its image), but not change it.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const char* path)
      : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ReadOnlyFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool SameFileContents(const char* a, const char* b) {
  ReadOnlyFile first(a);
  ReadOnlyFile second(b);
  if (!first.IsOpen() || !second.IsOpen()) return false;
  DWORD highA = 0;
  DWORD highB = 0;
  DWORD sizeA = GetFileSize(first.Get(), &highA);
  DWORD sizeB = GetFileSize(second.Get(), &highB);
  if (sizeA == INVALID_FILE_SIZE || sizeA != sizeB || highA != 0 || highB != 0) return false;
  char bufferA[4096];
  char bufferB[4096];
  for (DWORD left = sizeA; left > 0;) {
    DWORD want = left < sizeof bufferA ? left : (DWORD)sizeof bufferA;
    DWORD gotA = 0;
    DWORD gotB = 0;
    if (!ReadFile(first.Get(), bufferA, want, &gotA, nullptr) || !ReadFile(second.Get(), bufferB, want, &gotB, nullptr))
      return false;
    if (gotA != want || gotB != want || memcmp(bufferA, bufferB, want) != 0) return false;
    left -= want;
  }
  return true;
}

}  // namespace pw
