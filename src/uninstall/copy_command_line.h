// The command line that starts the temporary copy in finishing mode: the
// copy's path, then " -" and the installed uninstaller's path, taken whole.
#pragma once
#include <stddef.h>

namespace pw {

// Builds "<copy> -<installed>" into out. The copy's path is quoted only when
// it holds a blank, so that the copy's argument text still begins with the
// dash; the installed path is never quoted. Returns false when it does not fit.
bool BuildCopyCommandLine(const char* copyPath, const char* installedPath, char* out, size_t size);

}  // namespace pw
