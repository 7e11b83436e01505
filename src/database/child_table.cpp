// Reading, marking and keeping children tables.
#include "database/child_table.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include "database/stream_cursor.h"

namespace {

const uint32_t SmallTableEntries = 64;

void Clear(ChildTable& t) {
  delete[] t.Entries;
  delete[] t.Repeats;
  t.Entries = nullptr;
  t.Repeats = nullptr;
  t.Owner = 0;
  t.Count = 0;
}

int CompareKeys(const void* a, const void* b) {
  uint64_t x = *static_cast<const uint64_t*>(a), y = *static_cast<const uint64_t*>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// Marks every entry whose id stands at an earlier entry, in n log n: entries
// sorted by (id, index) put each id's first entry at the head of its run.
bool MarkRepeats(ChildTable& t) {
  memset(t.Repeats, 0, t.Count);
  uint64_t* keys = new (std::nothrow) uint64_t[t.Count];
  if (!keys) return false;
  for (uint32_t i = 0; i < t.Count; ++i) keys[i] = ((uint64_t)t.Id(i) << 32) | i;
  // A set's few dozen keys sort faster in place than through qsort's calls.
  if (t.Count <= SmallTableEntries) {
    for (uint32_t i = 1; i < t.Count; ++i) {
      uint64_t key = keys[i];
      uint32_t j = i;
      for (; j > 0 && keys[j - 1] > key; --j) keys[j] = keys[j - 1];
      keys[j] = key;
    }
  } else {
    qsort(keys, t.Count, sizeof keys[0], CompareKeys);
  }
  for (uint32_t i = 1; i < t.Count; ++i)
    if ((keys[i] >> 32) == (keys[i - 1] >> 32)) t.Repeats[(uint32_t)keys[i]] = 1;
  delete[] keys;
  return true;
}

bool Matches(const ChildTable& t, const CachedObject* o) {
  return t.Owner == o->Cursor.FirstBlock && t.Length == o->Cursor.Length &&
         memcmp(t.Header.Bytes, o->Header.Bytes, ObjectHeaderSize) == 0;
}

}  // namespace

ChildTables::ChildTables(BlockFile* blocks) : blocks_(blocks) { memset(slots_, 0, sizeof slots_); }

ChildTables::~ChildTables() {
  for (ChildTable& t : slots_) Clear(t);
}

ChildTable* ChildTables::Load(CachedObject* o) {
  // A table gone stale is as good as an empty slot.
  ChildTable* slot = &slots_[0];
  for (ChildTable& t : slots_) {
    if (Current(t) && Matches(t, o)) {
      t.LastUse = ++useClock_;
      return &t;
    }
    if (!Current(t) || (Current(*slot) && t.LastUse < slot->LastUse)) slot = &t;
  }
  uint32_t count = o->Header.ChildCount();
  uint32_t position = o->Header.ChildrenPosition();
  uint32_t length = o->Cursor.Length;
  if (position > length || count > (length - position) / ChildEntrySize) return nullptr;
  uint32_t bytes = count * ChildEntrySize;
  // A chain visits each block once at most, so no stream holds more than the
  // file's blocks carry: a larger table is damage, refused before memory is
  // taken for it.
  if (bytes > (uint64_t)blocks_->FileBlocks * BlockPayloadSize) {
    MeasureFileBlocks(blocks_);
    if (bytes > (uint64_t)blocks_->FileBlocks * BlockPayloadSize) return nullptr;
  }
  Clear(*slot);
  ChildTable& t = *slot;
  const unsigned long generation = blocks_->Generation;
  t.Entries = new (std::nothrow) unsigned char[bytes ? bytes : 1];
  t.Repeats = new (std::nothrow) unsigned char[count ? count : 1];
  if (!t.Entries || !t.Repeats) {
    Clear(t);
    return nullptr;
  }
  if (bytes && (StreamSeek(blocks_, &o->Cursor, position) != 0 ||
                StreamRead(blocks_, &o->Cursor, t.Entries, bytes) != (int)bytes)) {
    Clear(t);
    return nullptr;
  }
  t.Count = count;
  if (!MarkRepeats(t)) {
    Clear(t);
    return nullptr;
  }
  t.Owner = o->Cursor.FirstBlock;
  t.Header = o->Header;
  t.Length = length;
  t.LastReturned = 0;
  t.LastUse = ++useClock_;
  t.Generation = generation;
  return &t;
}

ChildTable* ChildTables::Kept(uint32_t owner) {
  for (ChildTable& t : slots_) {
    if (Current(t) && t.Owner == owner) {
      t.LastUse = ++useClock_;
      return &t;
    }
  }
  return nullptr;
}

ChildEntryKind ClassifyChildEntry(BlockFile* b, const ChildTable* t, uint32_t index) {
  uint32_t id = t->Id(index);
  if (id == 0) return BlockZeroEntry;
  if (!BlockInFile(b, id)) return OutsideFileEntry;
  return t->Repeats[index] ? RepeatedEntry : ListedEntry;
}
