// Path-text helpers shared by the database engine, the settings loader and the
// repository watch. They step by character of the code page in use
// (common/path_chars.h), so a second byte equal to '\' is no separator.
#pragma once
#include <stddef.h>

#include "common/path_chars.h"

inline char* LastCharacter(char* text) {
  return const_cast<char*>(LastCharacter(static_cast<const char*>(text)));
}

// Appends '\' unless the text is empty or already ends in '\' or '/'.
// bufferSize is the size of the buffer holding text; nothing is appended when
// the result would not fit.
void AppendBackslash(char* text, size_t bufferSize);
// The same for the usual 260-byte path buffers.
void AppendBackslash(char* text);
