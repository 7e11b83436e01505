// Adding one line to wininit.ini's [rename] section without touching others.
#include "uninstall/wininit_rename.h"

#include <string.h>

namespace pw {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// True when [begin, end) is a section header "[rename]", blanks around allowed.
bool IsRenameHeader(const char* begin, const char* end) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
  const char kHeader[] = "[rename]";
  size_t n = sizeof kHeader - 1;
  if ((size_t)(end - begin) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(begin[i]) != kHeader[i]) return false;
  return true;
}

struct Writer {
  char* out;
  size_t size;
  size_t used;
  bool fits;
  void Put(const char* text, size_t n) {
    if (!fits || used + n + 1 > size) {
      fits = false;
      return;
    }
    memcpy(out + used, text, n);
    used += n;
    out[used] = '\0';
  }
  void Put(const char* text) { Put(text, strlen(text)); }
};

}  // namespace

size_t AddRenameLine(const char* text, size_t length, const char* line, char* out, size_t size) {
  Writer w{out, size, 0, size > 0};
  if (w.fits) out[0] = '\0';
  // Where the new line goes: right behind the header line, or at the end.
  size_t insertAt = length;
  bool header = false;
  for (size_t start = 0; start < length;) {
    const char* newline = (const char*)memchr(text + start, '\n', length - start);
    size_t end = newline ? (size_t)(newline - text) : length;
    if (IsRenameHeader(text + start, text + end)) {
      header = true;
      insertAt = newline ? end + 1 : length;
      break;
    }
    start = end + 1;
  }
  w.Put(text, insertAt);
  bool lineOpen = insertAt > 0 && text[insertAt - 1] != '\n';
  if (lineOpen) w.Put("\r\n");
  if (!header) w.Put("[rename]\r\n");
  w.Put(line);
  w.Put("\r\n");
  w.Put(text + insertAt, length - insertAt);
  return w.fits ? w.used : 0;
}

}  // namespace pw
