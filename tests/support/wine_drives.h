// Drive letters for tests, made the way Wine's own configuration tool makes
// them: through the prefix's mount manager, which keeps the dosdevices link
// and the drive type. Lets a test add and remove a fixed or removable disk
// while the code under test is running.
#pragma once
#include <windows.h>

#include <string>

// Maps letter ('d'..'y') to an existing Windows folder. driveType is a
// DRIVE_* value (DRIVE_FIXED, DRIVE_REMOVABLE, ...). Returns true on success.
bool DefineTestDrive(char letter, const char* windowsFolder, UINT driveType);

// Removes the letter again; true on success.
bool RemoveTestDrive(char letter);

// A host path as the prefix's drive Z: (the host's root) shows it.
inline std::string OnDriveZ(const char* hostPath) {
  std::string path = std::string("Z:") + hostPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
