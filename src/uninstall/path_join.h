// Building removal paths in fixed 260-byte buffers. A path that would not fit
// is refused as a whole: a cut path could name some other file or folder.
#pragma once
#include <stddef.h>

namespace pw {

constexpr size_t kPathSize = 260;  // 259 characters and the terminator

// out := folder + ('\' unless folder's last character already is one) + name.
// Returns false (and leaves out empty) when the result would exceed size - 1.
bool JoinPath(char* out, size_t size, const char* folder, const char* name);

}  // namespace pw
