// Copying and comparing files in small fixed buffers.
#include "uninstall/file_contents.h"

#include <string.h>

#include "uninstall/owned_file.h"

namespace pw {
namespace {

constexpr DWORD kBlock = 4096;

}  // namespace

HANDLE OpenForReadingOnly(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool CopyToNewFile(const char* source, const char* target) {
  OwnedFile in(OpenForReadingOnly(source));
  if (!in.IsOpen()) return false;
  OwnedFile out(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.IsOpen()) return false;
  char buffer[kBlock];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.Get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(out.Get(), buffer, got, &written, nullptr) || written != got) return false;
  }
}

bool SameContents(HANDLE a, HANDLE b) {
  DWORD highA = 0;
  DWORD highB = 0;
  DWORD sizeA = GetFileSize(a, &highA);
  DWORD sizeB = GetFileSize(b, &highB);
  if (sizeA == INVALID_FILE_SIZE || sizeA != sizeB || highA != 0 || highB != 0) return false;
  if (SetFilePointer(a, 0, nullptr, FILE_BEGIN) != 0 || SetFilePointer(b, 0, nullptr, FILE_BEGIN) != 0) return false;
  char bufferA[kBlock];
  char bufferB[kBlock];
  for (DWORD left = sizeA; left > 0;) {
    DWORD want = left < kBlock ? left : kBlock;
    DWORD gotA = 0;
    DWORD gotB = 0;
    if (!ReadFile(a, bufferA, want, &gotA, nullptr) || !ReadFile(b, bufferB, want, &gotB, nullptr)) return false;
    if (gotA != want || gotB != want || memcmp(bufferA, bufferB, want) != 0) return false;
    left -= want;
  }
  return true;
}

bool SameFileContents(const char* a, const char* b) {
  OwnedFile first(OpenForReadingOnly(a));
  OwnedFile second(OpenForReadingOnly(b));
  return first.IsOpen() && second.IsOpen() && SameContents(first.Get(), second.Get());
}

}  // namespace pw
