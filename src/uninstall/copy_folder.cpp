// Names of the temporary copy's folder.
#include "uninstall/copy_folder.h"

#include <string.h>

#include "uninstall/purgewell_texts.h"

namespace pw {
namespace {

constexpr size_t kDigits = 6;
constexpr size_t kPrefixLength = sizeof kCopyFolderPrefix - 1;
static_assert(kPrefixLength + kDigits + 1 == kCopyFolderNameSize, "an 8.3 name without extension");

constexpr char kHexDigits[] = "0123456789abcdef";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

}  // namespace

void FormatCopyFolderName(uint32_t value, char out[kCopyFolderNameSize]) {
  memcpy(out, kCopyFolderPrefix, kPrefixLength);
  for (size_t i = 0; i < kDigits; ++i) out[kPrefixLength + i] = kHexDigits[(value >> (4 * (kDigits - 1 - i))) & 15];
  out[kPrefixLength + kDigits] = '\0';
}

bool IsCopyFolderName(const char* name) {
  if (strlen(name) != kPrefixLength + kDigits) return false;
  for (size_t i = 0; i < kPrefixLength; ++i)
    if (Lower(name[i]) != kCopyFolderPrefix[i]) return false;
  for (size_t i = kPrefixLength; i < kPrefixLength + kDigits; ++i)
    if (!memchr(kHexDigits, Lower(name[i]), sizeof kHexDigits - 1)) return false;
  return true;
}

uint32_t MixIntoSeed(uint32_t seed, uint32_t value) {
  uint32_t h = seed ^ (value * 0x9E3779B1u);
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

}  // namespace pw
