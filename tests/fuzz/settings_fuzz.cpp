// libFuzzer target: every input is written to a file and loaded as
// ClientConfig.hdb the way the scheduler loads it, twice, so that the
// carry-over of last-run times between an old and a new list runs too.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "settings/backup_set.h"
#include "settings/settings.h"

namespace {
void NoWait(unsigned) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/twsettings-fuzz-" + std::to_string(getpid()) + ".hdb";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  LoadSettingsFromDatabase(path.c_str(), NoWait);
  LoadSettingsFromDatabase(path.c_str(), NoWait);
  FreeBackupSetList();
  return 0;
}
