// How names and values are written where people read them, so that a text
// stays on one line and reads back exactly. Two forms share the rules for '\'
// and '"' (escaped by a backslash) and for control characters (\xHH):
// - hdbtool dump's exact form writes every byte from 0x7F up as \xHH too;
// - a name as the user's code page has it (the scheduler's support log,
//   hdbtool schedule) keeps every other byte as it is, and a two-byte
//   character whole, so that its second byte is never taken for a '\'.
#pragma once
#include <stddef.h>

// The bytes escaped into out (outSize bytes, terminated), without quotes
// around them; an escape that does not fit whole is left out with all that
// follows. Returns the length written. dump's exact form.
size_t EscapeTextInto(const char* bytes, size_t length, char* out, size_t outSize);

// The same for a name in the code page in use: bytes from 0x80 up as they
// are (a lead byte without its second byte as \xHH, 0x7F as \xHH), a
// two-byte character whole or not at all.
size_t EscapeNameInto(const char* bytes, size_t length, char* out, size_t outSize);
