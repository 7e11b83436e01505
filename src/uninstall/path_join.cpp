// Joining a folder and a name without doubling the separator.
#include "uninstall/path_join.h"

#include "common/bounded_text.h"
#include "common/path_chars.h"

namespace pw {

bool JoinPath(char* out, size_t size, const char* folder, const char* name) {
  if (size == 0) return false;
  bool fits = CopyBounded(out, size, folder);
  if (fits && !EndsWithBackslash(folder)) fits = AppendBounded(out, size, "\\");
  if (fits) fits = AppendBounded(out, size, name);
  if (!fits) out[0] = '\0';
  return fits;
}

}  // namespace pw
