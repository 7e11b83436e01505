// The open-database table: 512 places for the records of open databases
// (database_file.h), indexed by DatabaseHandle and allocated while any is
// open, and the steps by which DatabaseManager opens, shares, upgrades and
// closes a record. Callers hold LockSlot DatabaseTableLockSlot
// (platform/spin_lock.h) around every step; LookUpDatabase excepted: object
// operations read the table without it.
#pragma once
#include <stddef.h>

class FileManager;
struct DatabaseFile;

const int MaxOpenDatabases = 512;
const int DatabaseTableLockSlot = 2;

// The open database behind a handle, or null for a bad handle or an empty slot.
DatabaseFile* LookUpDatabase(int handle);

// Allocates the table when no database is open; false when memory is short.
bool EnsureDatabaseTable();
// The slot of the record that an open of path has made (letter case aside;
// never a snapshot's), or -1.
int FindOpenDatabase(const char* path);
// Another open of the record in slot, in mode: one reference more, and for a
// read-write open of a read-only record its reopen for writing. The slot, or
// -1 (OpenCreate of an open path, an upgrade that failed).
int ShareOpenDatabase(int slot, int mode);
// A new record for path in the lowest free slot, reading through files: the
// slot, with db set, or -1 (table full, memory short; a table that then holds
// nothing goes again).
int EnterNewRecord(FileManager& files, const char* path, DatabaseFile*& db);
// The new record's file: an existing file opened in mode (a mirror made and
// the writer's flag set for OpenReadWrite), or a new empty database created
// (*created then tells that a file was made). True when done.
bool OpenExistingFile(DatabaseFile* db, const char* path, int mode);
bool CreateDatabaseFile(DatabaseFile* db, const char* path, int mode, bool* created);
// The new record over size bytes of a snapshot (read-only, read in place).
bool OpenImageFile(DatabaseFile* db, const unsigned char* bytes, size_t size);
// Puts the new record's file at its first block: true when done.
bool PlaceAtFirstBlock(DatabaseFile* db);
// Undoes an open that failed after EnterNewRecord: closes the file it opened,
// deletes the one it created, and frees the record and its slot.
void DiscardFailedOpen(int slot, bool created);
// Drops one reference to the record in slot; the last one closes the file
// (writers: their flag cleared and the mirror removed) and frees the record.
// 0, or -1 for an empty slot.
int CloseDatabaseRecord(int slot);
