// Safety rules for the repository directory named in RepositoryConfig.txt.
#include "uninstall/repository_directory_rules.h"

#include <string.h>

#include "platform/path_rules.h"
#include "platform/path_rules.h"

namespace pw {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// One path component between separators: [begin, begin + length), looked at
// by character (the second byte of a two-byte character may be '|').
bool IsAcceptableComponent(const char* begin, size_t length, bool first) {
  if (length == 0) return false;
  if (length == 1 && begin[0] == '.') return false;
  if (length == 2 && begin[0] == '.' && begin[1] == '.') return false;
  char last = '\0';
  for (size_t i = 0, width; i < length; i += width) {
    width = CharacterBytesWithin(begin + i, length - i);
    last = width == 1 ? begin[i] : '\0';
    if (width != 1) continue;
    char c = begin[i];
    if (c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') return false;
    // A colon belongs only to the drive ("X:"), never to a name (streams).
    if (c == ':' && !(first && i == 1 && length == 2)) return false;
  }
  // The platform drops trailing dots and blanks, so "Windows." is "Windows".
  return last != '.' && last != ' ';
}

}  // namespace

bool NormaliseFolder(const char* folder, char* out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  size_t used = 0;
  const char* p = folder;
  bool network = IsSeparator(p[0]) && IsSeparator(p[1]);
  if (network) {
    if (size < 3) return false;
    out[0] = out[1] = '\\';
    used = 2;
    p += 2;
  }
  bool first = true;
  while (*p) {
    while (IsSeparator(*p)) ++p;
    if (!*p) break;
    const char* begin = p;
    while (*p && !IsSeparator(*p)) p += CharacterBytes(p);
    size_t length = (size_t)(p - begin);
    if (!IsAcceptableComponent(begin, length, first)) {
      out[0] = '\0';
      return false;
    }
    bool needSeparator = !first || (!network && folder[0] != '\0' && IsSeparator(folder[0]));
    if (used + (needSeparator ? 1 : 0) + length + 1 > size) {
      out[0] = '\0';
      return false;
    }
    if (needSeparator) out[used++] = '\\';
    memcpy(out + used, begin, length);
    used += length;
    out[used] = '\0';
    first = false;
  }
  return used > 0;
}

size_t AbsoluteRootLength(const char* n) {
  // "X:\" (a bare "X:" is the root or a relative path).
  if (((n[0] >= 'A' && n[0] <= 'Z') || (n[0] >= 'a' && n[0] <= 'z')) && n[1] == ':' && n[2] == '\\') return 3;
  if (n[0] != '\\' || n[1] != '\\') return 0;
  // "\\server\share\": the server and share components.
  const char* server = n + 2;
  const char* share = FindCharacter(server, '\\');
  if (!share || share == server) return 0;
  // "\\?\" and "\\.\" are device namespaces, not servers.
  if ((share - server == 1) && (server[0] == '?' || server[0] == '.')) return 0;
  const char* below = FindCharacter(share + 1, '\\');
  if (!below || below == share + 1) return 0;
  return (size_t)(below - n) + 1;
}

bool IsAbsoluteBelowRoot(const char* n) {
  size_t root = AbsoluteRootLength(n);
  return root > 0 && n[root] != '\0';
}

bool IsRemovableRepositoryDirectory(const char* directory, const char* const* protectedFolders,
                                    size_t protectedCount) {
  char candidate[PathBufferSize];
  if (!NormaliseFolder(directory, candidate, sizeof candidate)) return false;
  if (!IsAbsoluteBelowRoot(candidate)) return false;
  size_t length = strlen(candidate);
  for (size_t i = 0; i < protectedCount; ++i) {
    if (!protectedFolders[i] || !protectedFolders[i][0]) continue;
    char guarded[PathBufferSize];
    if (!NormaliseFolder(protectedFolders[i], guarded, sizeof guarded)) continue;
    size_t guardedLength = strlen(guarded);
    if (guardedLength < length) continue;
    if (!BeginsWithIgnoringCase(guarded, candidate)) continue;
    // Equal, or the candidate is a folder above the protected one.
    if (guardedLength == length || guarded[length] == '\\') return false;
  }
  return true;
}

}  // namespace pw
