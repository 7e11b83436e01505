// Texts from the program's own string table. Every program loads its texts into
// one shared 2048-byte buffer; each load overwrites the previous text, so a
// caller copies what it must keep.
#pragma once
#ifdef _WIN32
#include <windows.h>

constexpr int kTextBufferSize = 2048;

// Loads string `id` of the program's module into the shared buffer and returns
// it; a missing string gives empty text.
const char* LoadText(UINT id);

// Copies string `id` into out (bounded, always terminated); returns out.
char* CopyText(UINT id, char* out, size_t outSize);
#endif
