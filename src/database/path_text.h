// Path-text helpers shared by the database engine, the settings loader and the
// repository watch. On Windows they walk double-byte characters of the current
// code page, so a trail byte equal to '\' is not mistaken for a separator.
#pragma once
#include <stddef.h>

// Pointer to the first byte of the last character; text itself when empty,
// null for null.
const char* LastCharacter(const char* text);
char* LastCharacter(char* text);

// Appends '\' unless the text is empty or already ends in '\' or '/'.
// bufferSize is the size of the buffer holding text; nothing is appended when
// the result would not fit.
void AppendBackslash(char* text, size_t bufferSize);
// The same for the usual 260-byte path buffers.
void AppendBackslash(char* text);
