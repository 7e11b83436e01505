// LastCharacter and AppendBackslash.
#include "database/path_text.h"

#include <string.h>

#include "database/file_manager.h"

#ifdef _WIN32
#include <windows.h>
static bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }
#else
// The native build serves tests and tools only: single-byte text.
static bool IsLeadByte(unsigned char) { return false; }
#endif

const char* LastCharacter(const char* text) {
  if (!text) return nullptr;
  const char* last = text;
  const char* p = text;
  while (*p) {
    last = p;
    if (IsLeadByte((unsigned char)*p)) {
      if (p[1] == '\0') break;  // a lead byte right before the end stands alone
      p += 2;
    } else {
      p += 1;
    }
  }
  return last;
}

char* LastCharacter(char* text) {
  return const_cast<char*>(LastCharacter(static_cast<const char*>(text)));
}

void AppendBackslash(char* text, size_t bufferSize) {
  if (!text || !*text) return;
  const char* last = LastCharacter(text);
  if (*last == '\\' || *last == '/') return;
  size_t length = strnlen(text, bufferSize);
  if (length + 2 > bufferSize) return;
  text[length] = '\\';
  text[length + 1] = '\0';
}

void AppendBackslash(char* text) { AppendBackslash(text, PathBufferSize); }
