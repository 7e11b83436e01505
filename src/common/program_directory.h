// The directory of the running executable: its full path cut at the last '\'.
#pragma once
#ifdef _WIN32
#include <stddef.h>

// Writes the directory (no trailing '\') into out; a path without any '\' stays
// whole. Returns 0, or -1 when the module path cannot be read.
int GetProgramDirectory(char* out, size_t outSize);
#endif
