// The few file operations that run claims need, on the platform's own calls:
// CreateFileA with CREATE_NEW on Windows, open with O_EXCL natively (where the
// claims' tests race real files too).
#pragma once
#include <stddef.h>

// Between a folder and a name in a path.
extern const char ClaimPathSeparator;

enum class ClaimCreate {
  Created,   // the file is new and holds the text
  Exists,    // a file of that name was there already
  NoFolder,  // the folder is missing
  Failed,    // anything else; error says what
};
// Creates path only if no file of that name exists, atomically, and writes
// text into it. error receives the platform's error number when not Created.
ClaimCreate CreateClaimFile(const char* path, const char* text, size_t length, unsigned long* error);
bool ClaimFileExists(const char* path);
bool RemoveClaimFile(const char* path);
// Creates the folder (its parent must exist); true when it exists afterwards.
bool MakeClaimFolder(const char* path);
// Calls visit with the name of each file in folder, at most `bound` entries
// looked at; stops early when visit returns false.
typedef bool (*ClaimFileVisitor)(const char* name, void* context);
void ListClaimFolder(const char* folder, size_t bound, ClaimFileVisitor visit, void* context);
