// Program directory of the running executable.
#include "common/program_directory.h"
#include <windows.h>
#include <string.h>

int GetProgramDirectory(char* out, size_t outSize) {
  if (outSize == 0) return -1;
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    out[0] = '\0';
    return -1;
  }
  path[n] = '\0';
  char* slash = strrchr(path, '\\');
  if (slash) *slash = '\0';
  size_t len = strlen(path);
  if (len >= outSize) len = outSize - 1;
  memcpy(out, path, len);
  out[len] = '\0';
  return 0;
}
