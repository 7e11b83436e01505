// Stepping through paths and names of the code page in use by character, and
// the rules built on it: separators, joining, case-blind comparison.
#include "platform/path_rules.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
static bool CodePageLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }
#else
// The native build serves tests and tools: single-byte text unless a test
// says otherwise.
static bool CodePageLeadByte(unsigned char) { return false; }
#endif

namespace {

LeadBytePredicate g_leadByte = CodePageLeadByte;

// A byte that ends a two-byte character in every double-byte code page
// Windows has; below 0x40 are the controls, digits and punctuation that no
// such character uses.
bool CanEndCharacter(unsigned char byte) { return byte >= 0x40 && byte != 0x7F && byte != 0xFF; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

LeadBytePredicate SetLeadByteTest(LeadBytePredicate test) {
  LeadBytePredicate previous = g_leadByte;
  g_leadByte = test ? test : CodePageLeadByte;
  return previous;
}

bool IsLeadByte(unsigned char byte) { return byte >= 0x80 && g_leadByte(byte); }

size_t CharacterBytesWithin(const char* text, size_t available) {
  if (available == 0) return 0;
  if (available >= 2 && IsLeadByte(static_cast<unsigned char>(text[0])) &&
      CanEndCharacter(static_cast<unsigned char>(text[1])))
    return 2;
  return 1;
}

size_t CharacterBytes(const char* text) {
  if (text[0] == '\0') return 0;
  return CharacterBytesWithin(text, text[1] == '\0' ? 1 : 2);
}

const char* LastCharacter(const char* text) {
  if (text == nullptr) return nullptr;
  const char* last = text;
  for (const char* p = text; *p; p += CharacterBytes(p)) last = p;
  return last;
}

bool EndsWithBackslash(const char* text) {
  const char* last = LastCharacter(text);
  return last != nullptr && *last == '\\';
}

bool EndsWithSeparator(const char* text) {
  const char* last = LastCharacter(text);
  return last != nullptr && IsSeparator(*last);
}

const char* FindCharacter(const char* text, char c) {
  for (const char* p = text; *p; p += CharacterBytes(p))
    if (*p == c) return p;
  return nullptr;
}

const char* FindLastCharacter(const char* text, char c) {
  const char* found = nullptr;
  for (const char* p = text; *p; p += CharacterBytes(p))
    if (*p == c) found = p;
  return found;
}

size_t WholeCharacterLength(const char* text, size_t limit) {
  // One byte past the limit tells whether the last character in it is whole.
  return WholeCharacterLengthWithin(text, strnlen(text, limit + 1), limit);
}

size_t WholeCharacterLengthWithin(const char* text, size_t length, size_t limit) {
  size_t used = 0;
  for (;;) {
    const size_t width = CharacterBytesWithin(text + used, length - used);
    if (width == 0 || used + width > limit) return used;
    used += width;
  }
}

bool BeginsWithIgnoringCase(const char* text, const char* prefix) {
  size_t i = 0;
  while (prefix[i] != '\0') {
    const size_t width = CharacterBytes(prefix + i);
    if (width == 2) {
      if (text[i] != prefix[i] || text[i + 1] != prefix[i + 1]) return false;
    } else if (AsciiLower(text[i]) != AsciiLower(prefix[i])) {
      return false;
    }
    i += width;
  }
  return true;
}

bool SameTextIgnoringCase(const char* a, const char* b) {
  return strlen(a) == strlen(b) && BeginsWithIgnoringCase(a, b);
}

void AppendBackslash(char* text, size_t bufferSize) {
  if (!text || !*text || EndsWithSeparator(text)) return;
  size_t length = strnlen(text, bufferSize);
  if (length + 2 > bufferSize) return;
  text[length] = '\\';
  text[length + 1] = '\0';
}

bool JoinPath(char* out, size_t size, const char* folder, const char* name, char separator) {
  if (size == 0) return false;
  out[0] = '\0';
  if (folder == nullptr || folder[0] == '\0' || name == nullptr) return false;
  const size_t folderLength = strnlen(folder, size);
  const size_t between = EndsWithSeparator(folder) ? 0 : 1;
  const size_t nameLength = strnlen(name, size);
  if (folderLength + between + nameLength >= size) return false;
  memcpy(out, folder, folderLength);
  if (between) out[folderLength] = separator;
  memcpy(out + folderLength + between, name, nameLength + 1);
  return true;
}
