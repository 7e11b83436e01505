// The folder the uninstaller makes for its temporary copy: a new one under the
// temporary folder for every run, named so that nobody can know the name in
// advance, and created by that run (never one that was already there), so that
// nothing but the copy is ever in it.
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace pw {

// "pw" and six hexadecimal digits: eight characters, so that the name is its
// own short (8.3) form and the wininit.ini line and the module path of the
// copy spell it alike.
constexpr size_t kCopyFolderNameSize = 9;

// out := the folder name for value (its low 24 bits).
void FormatCopyFolderName(uint32_t value, char out[kCopyFolderNameSize]);

// True when name has the form FormatCopyFolderName gives (any case).
bool IsCopyFolderName(const char* name);

// seed with value mixed in, every bit of either reaching every bit of the result.
uint32_t MixIntoSeed(uint32_t seed, uint32_t value);

}  // namespace pw

#ifdef _WIN32
namespace pw {

// Gives the number a folder name is made of, for the attempt-th try.
using CopyFolderNameSource = uint32_t (*)(unsigned attempt);

// A number nobody can predict: the clocks, the performance counter, the
// process and thread ids and a stack address, mixed with the attempt.
uint32_t UnpredictableNumber(unsigned attempt);

// Creates a new folder under parent with a name from source and out := its
// path. A name that exists already is passed over for the next, up to
// kCopyFolderAttempts tries; any other failure ends the search. True only when
// this call created the folder.
constexpr unsigned kCopyFolderAttempts = 16;
bool MakeCopyFolder(const char* parent, char* out, size_t size, CopyFolderNameSource source = UnpredictableNumber);

}  // namespace pw
#endif
