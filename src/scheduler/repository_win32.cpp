// Repository location and media watch: reads RepositoryConfig.txt beside the
// program, falls back to the "data" folder, repairs a drive letter that moved
// to another fixed disk, and notices drives coming and going and the
// repository going away and coming back.
#include "scheduler/repository.h"

#include <windows.h>
#include <string.h>

#include "platform/bounded_text.h"
#include "database/file_manager.h"
#include "platform/path_rules.h"
#include "scheduler/scheduler_state.h"
#include "settings/settings.h"

char RepositoryPath[260];

namespace {

// The directory RepositoryConfig.txt names, kept apart from RepositoryPath so
// that a repaired drive letter never replaces it.
char g_configuredPath[260];
PackedTime g_repositoryConfigTime = 0;
int g_lastDriveCount = -1;
int g_lastLocated = -1;
char g_lastLocatedPath[260];  // the directory that WatchMedia's search tried
int g_connectPending = 0;

unsigned long RealPresentDrives() { return GetLogicalDrives(); }
unsigned RealDriveType(const char* root) { return GetDriveTypeA(root); }

const DriveProbe kRealProbe = {RealPresentDrives, RealDriveType};
const DriveProbe* g_probe = &kRealProbe;

const unsigned kDriveFixed = 3;  // DRIVE_FIXED
const int kFirstScannedDrive = 2;   // C:; A: and B: are never tried
const int kLastScannedDrive = 25;   // Z:

bool IsNetworkPath(const char* path) { return path[0] == '\\'; }

int CountDrives(unsigned long mask) {
  int count = 0;
  for (int i = kFirstScannedDrive; i <= kLastScannedDrive; ++i)
    if (mask & (1UL << i)) ++count;
  return count;
}

void CopyOut(char* out, const char* path) { CopyBounded(out, 260, path); }

// A repository is a folder: a file of that name is no repository (offline).
// Where the attributes cannot be read (a share's root on older systems), the
// search for the folder's entries decides.
bool IsFolder(FileManager& files, const char* path) {
  if (path[0] == '\0') return false;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return files.PathExists(path) == 1;
}

// A candidate is the repository only when it holds the settings file: a
// folder that merely has the same name on another disk is not.
bool HoldsClientConfig(FileManager& files, const char* directory) {
  char file[PathBufferSize];
  return BuildClientConfigPath(directory, file) == 0 && files.FileExists(file) == 1;
}

// Tries the configured path with its drive letter replaced by each present
// fixed disk's; a hit is the repository path while the configured one is away.
int RepairDriveLetter(FileManager& files, char* out) {
  unsigned long mask = g_probe->PresentDrives();
  for (int i = kFirstScannedDrive; i <= kLastScannedDrive; ++i) {
    if (!(mask & (1UL << i))) continue;
    char root[4] = {static_cast<char>('a' + i), ':', '\\', '\0'};
    if (g_probe->DriveType(root) != kDriveFixed) continue;
    char candidate[260];
    CopyBounded(candidate, sizeof candidate, g_configuredPath);
    if (candidate[0] == '\0') continue;
    candidate[0] = root[0];
    if (IsFolder(files, candidate) && HoldsClientConfig(files, candidate)) {
      CopyBounded(RepositoryPath, sizeof RepositoryPath, candidate);
      CopyOut(out, candidate);
      return 1;
    }
  }
  CopyOut(out, RepositoryPath);
  return 0;
}

}  // namespace

void SetDriveProbe(const DriveProbe* probe) { g_probe = probe ? probe : &kRealProbe; }

void ResetRepositoryState() {
  RepositoryPath[0] = '\0';
  g_configuredPath[0] = '\0';
  g_repositoryConfigTime = 0;
  g_lastDriveCount = -1;
  g_lastLocated = -1;
  g_lastLocatedPath[0] = '\0';
  g_connectPending = 0;
}

int LocateRepository(char* out) {
  FileManager files;
  char config[260];
  CopyBounded(config, sizeof config, ProgramDirectory);
  bool fits = AppendBounded(config, sizeof config, "\\") &&
              AppendBounded(config, sizeof config, "RepositoryConfig.txt");

  if (!fits || !files.FileExists(config)) {
    CopyBounded(RepositoryPath, sizeof RepositoryPath, ProgramDirectory);
    AppendBounded(RepositoryPath, sizeof RepositoryPath, "\\");
    AppendBounded(RepositoryPath, sizeof RepositoryPath, "data");
    CopyOut(out, RepositoryPath);
    return IsFolder(files, RepositoryPath) ? 1 : 0;
  }

  PackedTime written = files.FileWriteTime(config);
  if (written != g_repositoryConfigTime) {
    GetPrivateProfileStringA("Repository", "Path", "", g_configuredPath, sizeof g_configuredPath, config);
    g_repositoryConfigTime = written;
  }
  // The configured directory is tried first every time, so that the real one
  // is back in use as soon as its drive returns.
  CopyBounded(RepositoryPath, sizeof RepositoryPath, g_configuredPath);

  if (IsFolder(files, RepositoryPath)) {
    CopyOut(out, RepositoryPath);
    return 1;
  }
  if (IsNetworkPath(RepositoryPath)) {
    CopyOut(out, RepositoryPath);
    return 0;
  }
  return RepairDriveLetter(files, out);
}

int WatchMedia() {
  char* located_path = g_lastLocatedPath;
  if (IsNetworkPath(RepositoryPath)) {
    int located = LocateRepository(located_path);
    if (located == g_lastLocated) return 0;
    if (g_lastLocated == 0 && located == 1) g_connectPending = 1;
    g_lastLocated = located;
    return 1;
  }

  int count = CountDrives(g_probe->PresentDrives());
  if (g_lastDriveCount == -1) {
    g_lastDriveCount = count;
    g_lastLocated = LocateRepository(located_path);
    return 0;
  }
  const int previous = g_lastDriveCount;
  g_lastDriveCount = count;
  // The repository is looked for on every call: media in a drive that stays,
  // a mapped share or a folder can go and come back with no drive changing.
  const int located = LocateRepository(located_path);
  const int wasLocated = g_lastLocated;
  g_lastLocated = located;
  if (wasLocated == 0 && located == 1) {
    g_connectPending = 1;
    return 1;
  }
  if (count < previous) return 1;  // any drive leaving
  return located != wasLocated ? 1 : 0;
}

int LastLocatedRepository(char* out) {
  CopyOut(out, g_lastLocatedPath);
  return g_lastLocated == 1 ? 1 : 0;
}

int TakeConnectEvent() {
  if (g_connectPending == 1) {
    g_connectPending = 0;
    return 1;
  }
  return 0;
}
