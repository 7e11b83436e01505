// ChildTable: the children table of one object, read once and kept by the open
// database between calls, so that enumerating N children reads the table once
// instead of N times. A few tables are kept (the parent being enumerated and the
// object being looked into). A table is good while the block file's
// Generation is the one it was read at: every block written, and every change
// a read-only open notices in its file, ends it.
#pragma once
#include <stdint.h>

#include "database/block_file.h"
#include "database/database_format.h"
#include "database/object_cache.h"

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
  unsigned long Generation;       // the block file's when read

  uint32_t Id(uint32_t i) const { return GetU32(Entries + i * ChildEntrySize); }
  uint32_t Hash(uint32_t i) const { return GetU32(Entries + i * ChildEntrySize + 4); }
};

// What enumeration makes of an entry. It returns the listed ones; it passes
// over an entry naming block 0 (the free-block stream's in a new file, never an
// object's first block), an id the file does not hold, and a repeat of an
// earlier entry's id, tested in that order.
enum ChildEntryKind { ListedEntry, BlockZeroEntry, OutsideFileEntry, RepeatedEntry };
ChildEntryKind ClassifyChildEntry(BlockFile* b, const ChildTable* t, uint32_t index);

// The kept tables of one open database.
class ChildTables {
 public:
  explicit ChildTables(BlockFile* blocks);
  ~ChildTables();
  ChildTables(const ChildTables&) = delete;
  ChildTables& operator=(const ChildTables&) = delete;

  // The table of a loaded object, or null when it does not fit in the
  // object's stream or cannot be read (or memory is short).
  ChildTable* Load(CachedObject* object);
  // The kept table of owner whatever the owner holds now, or null: for
  // snapshots, whose objects never change.
  ChildTable* Kept(uint32_t owner);

 private:
  bool Current(const ChildTable& t) const { return t.Entries && t.Generation == blocks_->Generation; }

  BlockFile* blocks_;
  ChildTable slots_[ChildTableSlots];
  unsigned long useClock_ = 0;
};
