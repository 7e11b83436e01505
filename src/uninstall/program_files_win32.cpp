// ProgramFileList and the deletion of single files of the installation folder.
#include "uninstall/program_files.h"

#include <windows.h>

#include "platform/bounded_text.h"
#include "common/string_table.h"
#include "uninstall/delete_tree.h"
#include "platform/path_rules.h"
#include "uninstall/purgewell_ids.h"
#include "uninstall/uninstall_state.h"

namespace pw {
namespace {

const char* const kProgramFileList[kProgramFileCount] = {
    nullptr,  // string 137, the main backup program
    "Tickwarden.exe",
    "Tickwardenaide.exe",  // the scheduler's assistant, installed beside it
    "Tickwardensvc.exe",
    "Aidwell.exe",
    "eventmsg.dll",
    "UserGuide.pdf",
    "Guidewell.hlp",
    "Guidewell.gid",
    "Config.txt",
    "SchedulerServiceInfo.txt",
    "RestoreWindows.html",
    "RestoreWindows95.html",
    "RestoreWindows95USB.html",
    "RestoreWindows95OSR2.html",
    "RestoreWindows98.html",
    "RestoreWindows98SE.html",
    "RestoreWindowsME.html",
    "RestoreWindowsNT.html",
    "RestoreWindows2000.html",
    "RestoreWindowsXP.html",
    "RestoreWindows2003.html",
    nullptr,  // string 138, the setup program
};

}  // namespace

void ProgramFileName(size_t index, char* out, size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (index >= kProgramFileCount) return;
  if (kProgramFileList[index]) {
    CopyBounded(out, outSize, kProgramFileList[index]);
  } else {
    CopyText(index == 0 ? IDS_MAIN_PROGRAM_FILE : IDS_SETUP_PROGRAM_FILE, out, outSize);
  }
}

int DeleteProgramFile(const char* name) {
  // An empty name would be the installation folder itself; an unknown
  // installation folder would make the path one on the current drive's root.
  if (!name[0] || !InstallDirectory()[0]) return 0;
  char path[PathBufferSize];
  if (JoinPath(path, sizeof path, InstallDirectory(), name)) DeleteOneFile(path);
  return 0;
}

}  // namespace pw
