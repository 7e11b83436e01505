// Escaping of texts into fixed buffers.
#include "common/escaped_text.h"

#include "platform/path_rules.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// One character (width bytes at bytes) in its escaped form; returns the length.
size_t EscapeCharacter(const unsigned char* bytes, size_t width, bool keepHighBytes, char* piece) {
  const unsigned char c = bytes[0];
  size_t n = 0;
  if (width == 2) {
    piece[n++] = static_cast<char>(bytes[0]);
    piece[n++] = static_cast<char>(bytes[1]);
  } else if (c == '\\' || c == '"') {
    piece[n++] = '\\';
    piece[n++] = static_cast<char>(c);
  } else if (c < 0x20 || c == 0x7F || (c > 0x7F && (!keepHighBytes || IsLeadByte(c)))) {
    piece[n++] = '\\';
    piece[n++] = 'x';
    piece[n++] = kHexDigits[c >> 4];
    piece[n++] = kHexDigits[c & 0xF];
  } else {
    piece[n++] = static_cast<char>(c);
  }
  return n;
}

size_t Escape(const char* text, size_t length, bool byCharacter, char* out, size_t outSize) {
  if (outSize == 0) return 0;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t used = 0;
  for (size_t i = 0; i < length;) {
    const size_t width = byCharacter ? CharacterBytesWithin(text + i, length - i) : 1;
    char piece[4];
    const size_t n = EscapeCharacter(bytes + i, width, byCharacter, piece);
    if (used + n >= outSize) break;
    for (size_t k = 0; k < n; ++k) out[used++] = piece[k];
    i += width;
  }
  out[used] = '\0';
  return used;
}

}  // namespace

size_t EscapeTextInto(const char* bytes, size_t length, char* out, size_t outSize) {
  return Escape(bytes, length, false, out, outSize);
}

size_t EscapeNameInto(const char* bytes, size_t length, char* out, size_t outSize) {
  return Escape(bytes, length, true, out, outSize);
}
