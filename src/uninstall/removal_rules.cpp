// The uninstaller's portable rules. Paths are stepped and compared by the
// platform's path rules (code-page characters, separators, case).
#include "uninstall/removal_rules.h"

#include <string.h>

#include "platform/bounded_text.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_texts.h"

namespace pw {

// ---------------------------------------------------------------- the mode

const char* ArgumentText(const char* commandLine) {
  // Split off the way the platform's start-up code does.
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

bool IsFinishingMode(const char* argumentText) { return argumentText[0] == '-'; }

// ---------------------------------------------------------------- folders

namespace {

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

// ---------------------------------------------------------------- tree walks

TreeEntryAction DecideTreeEntry(const char* name, unsigned long attributes) {
  bool directory = (attributes & kAttributeDirectory) != 0;
  if (directory && (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)) return TreeEntryAction::Skip;
  if (name[0] == '\0') return TreeEntryAction::Skip;
  if (attributes & kAttributeReparsePoint)
    return directory ? TreeEntryAction::RemoveLinkFolder : TreeEntryAction::DeleteLinkFile;
  return directory ? TreeEntryAction::DescendDirectory : TreeEntryAction::DeleteFile;
}

// ---------------------------------------------------------------- the temporary copy

namespace {

constexpr size_t kDigits = 6;
constexpr size_t kPrefixLength = sizeof kCopyFolderPrefix - 1;
static_assert(kPrefixLength + kDigits + 1 == kCopyFolderNameSize, "an 8.3 name without extension");

constexpr char kHexDigits[] = "0123456789abcdef";
// What a name may hold where FormatCopyFolderName writes digits.
constexpr char kHexDigitsAnyCase[] = "0123456789abcdefABCDEF";

}  // namespace

void FormatCopyFolderName(uint32_t value, char out[kCopyFolderNameSize]) {
  memcpy(out, kCopyFolderPrefix, kPrefixLength);
  for (size_t i = 0; i < kDigits; ++i) out[kPrefixLength + i] = kHexDigits[(value >> (4 * (kDigits - 1 - i))) & 15];
  out[kPrefixLength + kDigits] = '\0';
}

bool IsCopyFolderName(const char* name) {
  if (strlen(name) != kPrefixLength + kDigits || !BeginsWithIgnoringCase(name, kCopyFolderPrefix)) return false;
  for (size_t i = kPrefixLength; i < kPrefixLength + kDigits; ++i)
    if (!memchr(kHexDigitsAnyCase, name[i], sizeof kHexDigitsAnyCase - 1)) return false;
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

bool BuildCopyCommandLine(const char* copyPath, const char* installedPath, char* out, size_t size) {
  bool quote = strchr(copyPath, ' ') != nullptr || strchr(copyPath, '\t') != nullptr;
  bool fits = CopyBounded(out, size, quote ? "\"" : "") && AppendBounded(out, size, copyPath) &&
              AppendBounded(out, size, quote ? "\" -" : " -") && AppendBounded(out, size, installedPath);
  if (!fits && size) out[0] = '\0';
  return fits;
}

bool IsInstalledUninstallerPath(const char* path) {
  if (AbsoluteRootLength(path) == 0) return false;
  const char* slash = FindLastCharacter(path, '\\');
  return slash && SameTextIgnoringCase(slash + 1, kUninstallerFile);
}

bool CutAtLastBackslash(const char* text, char* out, size_t size) {
  if (!CopyBounded(out, size, text)) {
    if (size) out[0] = '\0';
    return false;
  }
  char* slash = FindLastCharacter(out, '\\');
  if (!slash) return false;
  *slash = '\0';
  return true;
}

bool IsMakerFolder(const char* folder) {
  const char* slash = FindLastCharacter(folder, '\\');
  return slash && SameTextIgnoringCase(slash + 1, kMakerName);
}

bool TemporaryCopyFolder(const char* path, char* folder, size_t size) {
  if (!CutAtLastBackslash(path, folder, size) || !SameTextIgnoringCase(path + strlen(folder) + 1, kTemporaryCopyFile))
    return false;
  const char* slash = FindLastCharacter(folder, '\\');
  return slash && IsCopyFolderName(slash + 1);
}

// ---------------------------------------------------------------- wininit.ini

namespace {

constexpr char kRenameHeader[] = "[rename]";

// True when [begin, end) is a section header "[rename]", blanks around allowed.
bool IsRenameHeader(const char* begin, const char* end) {
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
  return (size_t)(end - begin) == sizeof kRenameHeader - 1 && BeginsWithIgnoringCase(begin, kRenameHeader);
}

struct Writer {
  char* out;
  size_t size;
  size_t used;
  bool fits;
  void Put(const char* text, size_t n) {
    if (!fits || used + n + 1 > size) {
      fits = false;
      return;
    }
    memcpy(out + used, text, n);
    used += n;
    out[used] = '\0';
  }
  void Put(const char* text) { Put(text, strlen(text)); }
};

}  // namespace

size_t AddRenameLine(const char* text, size_t length, const char* line, char* out, size_t size) {
  Writer w{out, size, 0, size > 0};
  if (w.fits) out[0] = '\0';
  // Where the new line goes: right behind the header line, or at the end.
  size_t insertAt = length;
  bool header = false;
  for (size_t start = 0; start < length;) {
    const char* newline = (const char*)memchr(text + start, '\n', length - start);
    size_t end = newline ? (size_t)(newline - text) : length;
    if (IsRenameHeader(text + start, text + end)) {
      header = true;
      insertAt = newline ? end + 1 : length;
      break;
    }
    start = end + 1;
  }
  w.Put(text, insertAt);
  bool lineOpen = insertAt > 0 && text[insertAt - 1] != '\n';
  if (lineOpen) w.Put("\r\n");
  if (!header) {
    w.Put(kRenameHeader);
    w.Put("\r\n");
  }
  w.Put(line);
  w.Put("\r\n");
  w.Put(text + insertAt, length - insertAt);
  return w.fits ? w.used : 0;
}

}  // namespace pw
