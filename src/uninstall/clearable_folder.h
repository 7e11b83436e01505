// Whether a folder may be cleared at all: an absolute path below a drive or
// share root that neither is nor lies above the Windows or system folder (in
// their long or short spellings, and by volume and file index in any other),
// reached without a link or alias drive on the way.
#pragma once
#ifdef _WIN32

namespace pw {

bool IsClearableFolder(const char* folder);

}  // namespace pw
#endif
