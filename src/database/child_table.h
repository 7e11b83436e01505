// ChildTable: the children table of one object, read once and kept by the open
// database between calls, so that enumerating N children reads the table once
// instead of N times. A few tables are kept (the parent being enumerated and the
// object being looked into); every block write drops them all.
#pragma once
#include <stdint.h>

#include "database/database_format.h"

struct DatabaseFile;
struct CachedObject;

const int ChildTableSlots = 4;

struct ChildTable {
  uint32_t Owner;                 // object id
  ObjectHeader Header;            // the owner's header and length when read,
  uint32_t Length;                // so that a changed object is read again
  uint32_t Count;
  unsigned char* Entries;         // Count entries of ChildEntrySize bytes; null: slot empty
  unsigned char* Repeats;         // per entry: 1 when an earlier entry has its id
  uint32_t LastReturned;          // where the last FirstChild/NextChild stopped
  unsigned long LastUse;

  uint32_t Id(uint32_t i) const { return GetU32(Entries + i * ChildEntrySize); }
  uint32_t Hash(uint32_t i) const { return GetU32(Entries + i * ChildEntrySize + 4); }
};

// What enumeration makes of an entry. It returns the listed ones; it passes
// over an entry naming block 0 (the free-block stream's in a new file, never an
// object's first block), an id the file does not hold, and a repeat of an
// earlier entry's id, tested in that order.
enum ChildEntryKind { ListedEntry, BlockZeroEntry, OutsideFileEntry, RepeatedEntry };
ChildEntryKind ClassifyChildEntry(DatabaseFile* db, const ChildTable* t, uint32_t index);

// The table of a loaded object, or null when it does not fit in the object's
// stream or cannot be read (or memory is short).
ChildTable* LoadChildTable(DatabaseFile* db, CachedObject* object);
// The kept table of owner whatever the owner holds now, or null: for
// snapshots, whose objects never change.
ChildTable* KeptChildTable(DatabaseFile* db, uint32_t owner);
void DropChildTables(DatabaseFile* db);
