// The scheduler's side of the settings: ClientConfig.hdb found in the
// repository, loaded, and watched for the main program's rewrites.
#pragma once
#include "settings/settings.h"
#include "settings/settings_reload.h"

// What a load read from the repository, before it is put in force.
struct SettingsRead {
  bool Located = false;  // the repository and the file's name were found
  char Path[260] = "";
  int Result = -1;
  SettingsLoadResult Why = SettingsLoadResult::Offline;
  LoadedSettings Loaded;
  ConfigFileStamp Stamp = {0, 0};
  bool NearItsWrite = false;  // read within StampGrainSeconds of its last write
};
// The file-system half of LoadSettings (any thread): finds the repository and
// reads ClientConfig.hdb into read, touching no setting in force.
void ReadSettingsForLoad(SettingsRead& read);
// The other half, on the window thread: puts what was read in force, notes
// and logs how the load went. LoadSettings' result.
int FinishSettingsLoad(SettingsRead& read);

// Finds the repository and loads from its ClientConfig.hdb. 0, or -1 when the
// repository is offline, the file is missing or every open failed. Only a load
// that read the database makes the next tick evaluate its minute again.
int LoadSettings();
// Posts a reload (1028) and a next-backup announcement (1031) to the scheduler
// window when ClientConfig.hdb changed since the last load; after a failed
// load, only as settings/settings_reload.h allows. uptimeMs: the tick's uptime.
void CheckConfigChanged(unsigned long uptimeMs);
// CheckConfigChanged for a stamp read already (by the repository's worker).
void CheckConfigStamp(const ConfigFileStamp& stamp, unsigned long uptimeMs);
// Size and last-write time of the file at path, both from one look at its
// directory entry (a file another program holds without sharing still has
// one); false when absent. Loads and checks take their stamps from here
// alone: a directory entry may show an older size than the open file while
// its writer keeps it open.
bool ReadConfigStamp(const char* path, ConfigFileStamp& stamp);
