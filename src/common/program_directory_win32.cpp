// Program directory of the running executable.
#include "common/program_directory.h"
#include <windows.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"

int GetProgramDirectory(char* out, size_t outSize) {
  if (outSize == 0) return -1;
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    out[0] = '\0';
    return -1;
  }
  path[n] = '\0';
  char* slash = FindLastCharacter(path, '\\');
  if (slash) *slash = '\0';
  CopyBounded(out, outSize, path);
  return 0;
}
