// The scheduler's side of the settings: ClientConfig.hdb found in the
// repository, loaded, and watched for the main program's rewrites.
#pragma once
#include "settings/settings_reload.h"

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
// Size and last-write time of the file at path, from its directory entry (a
// file another program holds without sharing still has one); false when absent.
bool ReadConfigStamp(const char* path, ConfigFileStamp& stamp);
