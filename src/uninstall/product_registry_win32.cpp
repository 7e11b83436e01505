// Registry entries of the product: Uninstall entry, product and maker keys,
// event-log source, SNMP extension agent.
#include "uninstall/product_registry.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "uninstall/purgewell_texts.h"
#include "uninstall/registry_key.h"

namespace pw {
namespace {

constexpr const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application";
constexpr const char kSnmpAgentsKey[] = "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";

// Deletes parent\name when it can be opened.
void DeleteSubkeyIfPresent(HKEY parent, const char* name) {
  RegistryKey sub(parent, name);
  if (!sub.IsOpen()) return;
  sub.Close();
  RegDeleteKeyA(parent, name);
}

void DeleteProductAndMaker(const char* product) {
  RegistryKey software(HKEY_LOCAL_MACHINE, "SOFTWARE");
  if (!software.IsOpen()) return;
  RegistryKey maker(software.Get(), kMakerName);
  if (!maker.IsOpen()) return;
  {
    RegistryKey productKey(maker.Get(), product);
    if (productKey.IsOpen()) {
      DeleteSubkeyIfPresent(productKey.Get(), "CurrentVersion");
      productKey.Close();
      RegDeleteKeyA(maker.Get(), product);
    }
  }
  char first[260];
  bool hasSubkey = RegEnumKeyA(maker.Get(), 0, first, sizeof first) == ERROR_SUCCESS;
  maker.Close();
  if (!hasSubkey) RegDeleteKeyA(software.Get(), kMakerName);
}

// The agent values are "0", "1", "2", ...: the first whose data names the
// product is deleted; the walk stops at the first missing value.
void DeleteSnmpAgent(const char* product) {
  RegistryKey agents(HKEY_LOCAL_MACHINE, kSnmpAgentsKey);
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

int DeleteUninstallEntry(const char* product) {
  RegistryKey uninstall(HKEY_LOCAL_MACHINE, kUninstallKey);
  if (!uninstall.IsOpen()) return -1;
  if (product[0]) DeleteSubkeyIfPresent(uninstall.Get(), product);
  return 0;
}

int DeleteProductRegistry(const char* product) {
  // An empty name would open the parent key itself and delete it.
  if (!product[0]) return 0;
  DeleteProductAndMaker(product);
  {
    RegistryKey eventLog(HKEY_LOCAL_MACHINE, kEventLogKey);
    if (eventLog.IsOpen()) DeleteSubkeyIfPresent(eventLog.Get(), product);
  }
  DeleteSnmpAgent(product);
  return 0;
}

int TestRegistryWriteAccess() {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kRightsTestKey, &key) != ERROR_SUCCESS) return 1;
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRightsTestKey);
  return 0;
}

}  // namespace pw
