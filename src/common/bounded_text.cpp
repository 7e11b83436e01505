// Bounded text copies shared by the three programs.
#include "common/bounded_text.h"
#include <string.h>

bool CopyBounded(char* dst, size_t size, const char* src) {
  if (size == 0) return false;
  dst[0] = '\0';
  return AppendBounded(dst, size, src);
}

bool AppendBounded(char* dst, size_t size, const char* src) {
  if (size == 0) return false;
  size_t used = strnlen(dst, size);
  if (used >= size) {  // not terminated: treat as full
    dst[size - 1] = '\0';
    return false;
  }
  size_t n = strlen(src);
  size_t room = size - 1 - used;
  bool fits = n <= room;
  if (!fits) n = room;
  memcpy(dst + used, src, n);
  dst[used + n] = '\0';
  return fits;
}
