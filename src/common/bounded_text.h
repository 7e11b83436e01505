// Bounded copies and appends into fixed-size text buffers. Both report whether
// the whole text fitted, so that a path that would not fit can be refused
// instead of being cut into another path.
#pragma once
#include <stddef.h>

// Copies src into dst (size bytes, always terminated when size > 0).
// Returns true when all of src fitted.
bool CopyBounded(char* dst, size_t size, const char* src);

// Appends src to the text in dst. Returns true when all of src fitted; on
// false dst holds as much as fitted, still terminated.
bool AppendBounded(char* dst, size_t size, const char* src);
