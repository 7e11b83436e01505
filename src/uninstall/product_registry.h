// The product's registry entries under HKEY_LOCAL_MACHINE.
#pragma once
#ifdef _WIN32

namespace pw {

// Deletes the product's key below the system's Uninstall key. Returns 0, or -1
// when the Uninstall key cannot be opened.
int DeleteUninstallEntry(const char* product);

// Deletes SOFTWARE\Vornacle\<product> (with its CurrentVersion), the maker key
// when no subkey is left, the product's event-log source and the first SNMP
// extension agent value that names the product. Returns 0.
int DeleteProductRegistry(const char* product);

// 0 when the user may write the machine-wide registry (a test key could be
// created and has been deleted again), 1 when not.
int TestRegistryWriteAccess();

}  // namespace pw
#endif
