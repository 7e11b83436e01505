// The [rename] section of wininit.ini, through which 95/98/ME delete files at
// the next start. Its lines all share the key "NUL", so a new deletion is a
// line of its own: the profile functions would overwrite another program's.
#pragma once
#include <stddef.h>

namespace pw {

// out := text with line ("NUL=<path>") added as the first line of its
// [rename] section (found without regard to case), or with a new section at
// the end when it has none; every other line stays as it was. Returns the
// length written, or 0 when the result would not fit into out (size bytes,
// terminator included).
size_t AddRenameLine(const char* text, size_t length, const char* line, char* out, size_t size);

}  // namespace pw
