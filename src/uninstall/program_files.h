// The product's files in the installation folder.
#pragma once
#ifdef _WIN32
#include <stddef.h>

namespace pw {

// ProgramFileList: the files deleted from the installation folder, in order.
// Entries 0 and the last come from the string table (137 and 138) and are
// null here; ProgramFileName resolves them.
constexpr size_t kProgramFileCount = 23;

// The name of entry index (0 .. kProgramFileCount - 1) into out.
void ProgramFileName(size_t index, char* out, size_t outSize);

// Resets the attributes of InstallDirectory\name and deletes it. Returns 0.
int DeleteProgramFile(const char* name);

}  // namespace pw
#endif
