// The shared text buffer of a program's string table.
#include "common/string_table.h"
#include "platform/bounded_text.h"

namespace {
char g_textBuffer[kTextBufferSize];
}

const char* LoadText(UINT id) {
  g_textBuffer[0] = '\0';
  // The load gets 2047 bytes of room, so at most 2046 characters arrive.
  if (LoadStringA(GetModuleHandleA(nullptr), id, g_textBuffer, kTextBufferSize - 1) <= 0)
    g_textBuffer[0] = '\0';
  return g_textBuffer;
}

char* CopyText(UINT id, char* out, size_t outSize) {
  CopyBounded(out, outSize, LoadText(id));
  return out;
}
