// Paths and names are bytes in the user's ANSI code page. In the double-byte
// code pages of East Asia (932, 936, 949, 950) the second byte of a character
// can be '\' (0x5C), '|' or a letter: 表 is 95 5C in code page 932. So every
// test for a trailing separator, every search for '\' or '/', every case-blind
// comparison and every cut of a fixed-size text steps by character here, and
// nowhere else. Whether a byte starts a two-byte character is the code page's
// answer (IsDBCSLeadByte) on Windows and "never" in the native build; tests put
// in a table of their own. Separators, joining a folder and a name, and
// case-blind comparison live here too: nothing above this room tests a
// separator byte or folds case itself.
#pragma once
#include <stddef.h>

// The usual path buffer: 259 characters and the terminator.
constexpr size_t PathBufferSize = 260;

typedef bool (*LeadBytePredicate)(unsigned char byte);

// Makes test the lead-byte test from now on (nullptr: the code page's again)
// and returns the one it replaces. Meant for tests, before any thread runs.
LeadBytePredicate SetLeadByteTest(LeadBytePredicate test);

// Whether byte starts a two-byte character in the code page in use.
bool IsLeadByte(unsigned char byte);

// Bytes of the character at text, looking at no more than available bytes:
// 2 for a lead byte followed by a byte that can end a two-byte character
// (0x40 and up, but neither 0x7F nor 0xFF, in every such code page), else 1;
// 0 when available is 0. A lead byte before a terminator, a control character
// or a quote therefore stands alone.
size_t CharacterBytesWithin(const char* text, size_t available);
// The same in a terminated text: 0 at the terminator.
size_t CharacterBytes(const char* text);

// First byte of the last character; text itself when empty; null for null.
const char* LastCharacter(const char* text);

// Whether c, a byte that begins a character, is '\\' or '/'.
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether the last character of text is '\'.
bool EndsWithBackslash(const char* text);
// Whether the last character of text is '\' or '/'.
bool EndsWithSeparator(const char* text);

// The first or the last character c (an ASCII character, never the second
// byte of another character) in text, or null.
const char* FindCharacter(const char* text, char c);
const char* FindLastCharacter(const char* text, char c);
inline char* LastCharacter(char* text) {
  return const_cast<char*>(LastCharacter(static_cast<const char*>(text)));
}
inline char* FindLastCharacter(char* text, char c) {
  return const_cast<char*>(FindLastCharacter(static_cast<const char*>(text), c));
}

// How many of the first bytes of text, at most limit, end between two
// characters: the longest start of text that fits limit bytes whole.
size_t WholeCharacterLength(const char* text, size_t limit);
// The same for length bytes that need no terminator (a text read from a file).
size_t WholeCharacterLengthWithin(const char* text, size_t length, size_t limit);

// Whether text begins with prefix, ASCII letters compared without regard to
// case and two-byte characters byte for byte (as the file system compares
// names, restricted to what every code page agrees on).
bool BeginsWithIgnoringCase(const char* text, const char* prefix);
// Whether a and b are the same text in that comparison.
bool SameTextIgnoringCase(const char* a, const char* b);

// Appends '\\' unless the text is empty or already ends in '\\' or '/'.
// bufferSize is the size of the buffer holding text; nothing is appended when
// the result would not fit.
void AppendBackslash(char* text, size_t bufferSize = PathBufferSize);

// out := folder + separator (unless folder already ends in '\\' or '/') + name.
// A path that would not fit in size bytes is refused as a whole (out left
// empty, false): a cut path could name some other file or folder. So is an
// empty folder, which would make name relative to wherever the process is.
bool JoinPath(char* out, size_t size, const char* folder, const char* name, char separator = '\\');
