// Comparing two files byte for byte: how the uninstaller's temporary copy
// recognises the installed uninstaller it was made from.
#pragma once
#ifdef _WIN32

namespace pw {

// True when both files can be read and hold the same bytes.
bool SameFileContents(const char* a, const char* b);

}  // namespace pw
#endif
