// Bounded text copies shared by the three programs.
#include "platform/bounded_text.h"
#include <string.h>

#include "platform/path_rules.h"

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
  // A cut text ends between characters, never inside a two-byte one.
  if (!fits) n = WholeCharacterLength(src, room);
  memcpy(dst + used, src, n);
  dst[used + n] = '\0';
  return fits;
}

TextBuilder& TextBuilder::Number(long long value, int minDigits) {
  char digits[24];
  int n = 0;
  // Counted on the unsigned magnitude, so that the smallest value is right too.
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0 && n < 20);
  while (n < minDigits && n < 20) digits[n++] = '0';
  char text[24];
  int t = 0;
  if (value < 0) text[t++] = '-';
  while (n > 0) text[t++] = digits[--n];
  text[t] = '\0';
  return Add(text);
}
