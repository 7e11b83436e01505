// Escaping of texts into fixed buffers.
#include "common/escaped_text.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

size_t EscapeTextInto(const char* bytes, size_t length, char* out, size_t outSize) {
  if (outSize == 0) return 0;
  size_t used = 0;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = (unsigned char)bytes[i];
    char piece[4];
    size_t n = 0;
    if (c == '\\' || c == '"') {
      piece[n++] = '\\';
      piece[n++] = (char)c;
    } else if (c < 0x20 || c >= 0x7F) {
      piece[n++] = '\\';
      piece[n++] = 'x';
      piece[n++] = kHexDigits[c >> 4];
      piece[n++] = kHexDigits[c & 0xF];
    } else {
      piece[n++] = (char)c;
    }
    if (used + n >= outSize) break;
    for (size_t k = 0; k < n; ++k) out[used++] = piece[k];
  }
  out[used] = '\0';
  return used;
}
