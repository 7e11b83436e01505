// Whether a folder may be cleared at all: an absolute path below a drive or
// share root that neither is nor lies above the Windows or system folder (in
// their long or short spellings), and that, once every link, mount point and
// substituted drive on the way is followed, is by identity neither one of
// those folders, nor a folder above them, nor the root of a drive.
#pragma once
#ifdef _WIN32

namespace pw {

bool IsClearableFolder(const char* folder);

}  // namespace pw
#endif
