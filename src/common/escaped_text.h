// How names and values are written where people read them (hdbtool's output,
// the scheduler's support log): '\' and '"' escaped by a backslash, every byte
// below 0x20 or from 0x7F up written as \xHH, so that a text stays on one line
// and reads back exactly.
#pragma once
#include <stddef.h>

// The bytes escaped into out (outSize bytes, terminated), without quotes
// around them; an escape that does not fit whole is left out with all that
// follows. Returns the length written.
size_t EscapeTextInto(const char* bytes, size_t length, char* out, size_t outSize);
