// Copying a file into a new one and comparing two files byte for byte: how the
// uninstaller makes its temporary copy and checks it before starting it, and
// how the copy recognises the installed uninstaller it was made from.
#pragma once
#ifdef _WIN32
#include <windows.h>

namespace pw {

// Opens path for reading, shared for reading only: while the handle is open
// nobody can write to the file, rename or delete it. INVALID_HANDLE_VALUE when
// it cannot be opened so.
HANDLE OpenForReadingOnly(const char* path);

// Writes source's bytes into target, which this call creates: an existing
// target is never opened. False when anything failed (a target it created may
// then be incomplete).
bool CopyToNewFile(const char* source, const char* target);

// True when both open files hold the same bytes, read from their beginnings.
// Meant for handles from OpenForReadingOnly, whose files cannot change.
bool SameContents(HANDLE a, HANDLE b);

// True when both files can be read and hold the same bytes.
bool SameFileContents(const char* a, const char* b);

}  // namespace pw
#endif
