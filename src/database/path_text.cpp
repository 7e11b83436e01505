// AppendBackslash.
#include "database/path_text.h"

#include <string.h>

#include "database/file_manager.h"

void AppendBackslash(char* text, size_t bufferSize) {
  if (!text || !*text || EndsWithSeparator(text)) return;
  size_t length = strnlen(text, bufferSize);
  if (length + 2 > bufferSize) return;
  text[length] = '\\';
  text[length + 1] = '\0';
}

void AppendBackslash(char* text) { AppendBackslash(text, PathBufferSize); }
