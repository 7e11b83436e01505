// Removal steps that touch the registry: the Uninstall entry, the product and
// maker keys, the event-log source, the SNMP extension agent; and the rights
// check before anything is touched.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "platform/handles.h"
#include "uninstall/purgewell_texts.h"
#include "uninstall/removal_steps.h"

namespace pw {
namespace {

constexpr const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr const char kSnmpAgentsKey[] = "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";

// parent\path opened with RegOpenKeyA; not held when it cannot be opened.
OwnedKey OpenKey(HKEY parent, const char* path) {
  OwnedKey key;
  if (parent && RegOpenKeyA(parent, path, key.Receive()) != ERROR_SUCCESS) key.Take();
  return key;
}

// Deletes parent\name when it can be opened.
void DeleteSubkeyIfPresent(HKEY parent, const char* name) {
  if (!OpenKey(parent, name).IsOpen()) return;
  RegDeleteKeyA(parent, name);
}

void DeleteProductAndMaker(const char* product) {
  OwnedKey software = OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE");
  if (!software.IsOpen()) return;
  OwnedKey maker = OpenKey(software.Get(), kMakerName);
  if (!maker.IsOpen()) return;
  {
    OwnedKey productKey = OpenKey(maker.Get(), product);
    if (productKey.IsOpen()) {
      DeleteSubkeyIfPresent(productKey.Get(), "CurrentVersion");
      productKey.Reset();
      RegDeleteKeyA(maker.Get(), product);
    }
  }
  char first[260];
  bool hasSubkey = RegEnumKeyA(maker.Get(), 0, first, sizeof first) == ERROR_SUCCESS;
  maker.Reset();
  if (!hasSubkey) RegDeleteKeyA(software.Get(), kMakerName);
}

// The agent values are "0", "1", "2", ...: the first whose data names the
// product is deleted; the walk stops at the first missing value.
void DeleteSnmpAgent(const char* product) {
  OwnedKey agents = OpenKey(HKEY_LOCAL_MACHINE, kSnmpAgentsKey);
  if (!agents.IsOpen()) return;
  for (unsigned i = 0;; ++i) {
    char name[16];
    snprintf(name, sizeof name, "%u", i);
    // One byte more than a value may hold, so that the data is always a
    // terminated text for the search.
    char data[261];
    DWORD size = 260;
    if (RegQueryValueExA(agents.Get(), name, nullptr, nullptr, (BYTE*)data, &size) != ERROR_SUCCESS) break;
    data[size < 260 ? size : 260] = '\0';
    if (strstr(data, product)) {
      RegDeleteValueA(agents.Get(), name);
      break;
    }
  }
}

}  // namespace

bool DeleteUninstallEntry(const char* product) {
  OwnedKey uninstall = OpenKey(HKEY_LOCAL_MACHINE, kUninstallKey);
  if (!uninstall.IsOpen()) return false;
  if (product[0]) DeleteSubkeyIfPresent(uninstall.Get(), product);
  return true;
}

void DeleteProductRegistry(const char* product) {
  // An empty name would open the parent key itself and delete it.
  if (!product[0]) return;
  DeleteProductAndMaker(product);
  {
    OwnedKey eventLog = OpenKey(HKEY_LOCAL_MACHINE, kEventLogKey);
    if (eventLog.IsOpen()) DeleteSubkeyIfPresent(eventLog.Get(), product);
  }
  DeleteSnmpAgent(product);
}

bool CanWriteMachineSettings() {
  OwnedKey key;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kRightsTestKey, key.Receive()) != ERROR_SUCCESS) {
    key.Take();
    return false;
  }
  key.Reset();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRightsTestKey);
  return CanWriteRestartEntries();
}

}  // namespace pw
