// Command line of the uninstaller's temporary copy.
#include "uninstall/copy_command_line.h"

#include <string.h>

#include "platform/bounded_text.h"

namespace pw {

bool BuildCopyCommandLine(const char* copyPath, const char* installedPath, char* out, size_t size) {
  bool quote = strchr(copyPath, ' ') != nullptr || strchr(copyPath, '\t') != nullptr;
  bool fits = CopyBounded(out, size, quote ? "\"" : "") && AppendBounded(out, size, copyPath) &&
              AppendBounded(out, size, quote ? "\" -" : " -") && AppendBounded(out, size, installedPath);
  if (!fits && size) out[0] = '\0';
  return fits;
}

}  // namespace pw
