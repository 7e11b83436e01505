// The read side of the object tree: FindChild, FirstChild, NextChild,
// ReadName, ReadData and ReadChildren, and the bytes of a snapshot's small
// objects read where they lie.
#include "database/object_tree.h"

#include <string.h>

#include <new>
#include <optional>

namespace {

// Names up to this size are read into a buffer on the stack.
const size_t SmallNameSize = 256;

// Ids travel as int; MaxBlockNumber and below fit.
int AsObjectId(uint32_t id) { return id > MaxBlockNumber ? -1 : (int)id; }

// The first entry from index on that enumeration returns (an entry passed
// over does not end it, so that the siblings after it are still seen). Count
// when none.
uint32_t NextListedEntry(BlockFile* b, const ChildTable* t, uint32_t index) {
  for (; index < t->Count; ++index)
    if (ClassifyChildEntry(b, t, index) == ListedEntry) return index;
  return t->Count;
}

enum class ObjectPart { Name, Data };

// A snapshot's object, not loaded, whose first count bytes of its name or its
// data lie inside its first block: those bytes where they lie (into *bytes,
// their number into *got), as a load, a seek and a read would give them.
// False when the stream must be read (the object is loaded, the bytes run past
// the first block or end right at its end, where a read moves on to the next
// block) or the object cannot be loaded.
bool PartInPlace(ObjectTree& tree, uint32_t id, ObjectPart part, uint32_t count, const unsigned char** bytes,
                 int* got) {
  const BlockFile* b = tree.Blocks;
  if (!b->Image || id >= b->FileBlocks || FindCachedObject(tree.Objects, id)) return false;
  const unsigned char* block = b->Image + (size_t)(id + 1) * BlockSize;
  uint32_t length = GetU32(block + BlockFirstWordOffset);
  if (length == ObjectUnloadableLength || length < ObjectHeaderSize) return false;
  // A seek sees a last block of a long stream as holding length mod 248
  // bytes; such a (damaged) stream is left to it.
  if (length >= BlockPayloadSize && GetU32(block + BlockNextOffset) == 0) return false;
  const unsigned char* payload = block + BlockPayloadOffset;
  ObjectHeader header;
  memcpy(header.Bytes, payload, ObjectHeaderSize);
  uint32_t position = part == ObjectPart::Name ? header.NamePosition() : header.DataPosition();
  uint32_t n = count;
  if (part == ObjectPart::Name && n > header.NameLength()) n = header.NameLength();
  if (position > length) return false;
  if (n > length - position) n = length - position;
  if (position + n >= BlockPayloadSize) return false;
  *bytes = payload + position;
  *got = (int)n;
  return true;
}

bool NameInPlace(ObjectTree& tree, uint32_t id, int size, const unsigned char** bytes, int* got) {
  return size > 0 && PartInPlace(tree, id, ObjectPart::Name, (uint32_t)(size - 1), bytes, got);
}

int ReadNameOf(ObjectTree& tree, uint32_t id, char* dest, int size) {
  const unsigned char* inPlace;
  int inPlaceCount;
  if (dest && NameInPlace(tree, id, size, &inPlace, &inPlaceCount)) {
    memcpy(dest, inPlace, (size_t)inPlaceCount);
    dest[inPlaceCount] = '\0';
    return inPlaceCount;
  }
  TransientObject object(tree.Objects, id);
  CachedObject* o = object.Get();
  if (!o) return -1;
  if (size <= 0 || !dest) return 0;
  uint32_t n = o->Header.NameLength();
  if (n > (uint32_t)(size - 1)) n = (uint32_t)(size - 1);
  // Read aside so that a failed read leaves dest untouched; names of keys fit
  // on the stack, which spares the allocator a call per lookup.
  char small[SmallNameSize];
  char* name = n < sizeof small ? small : new (std::nothrow) char[n + 1];
  if (!name) return 0;
  int got = -1;
  if (StreamSeek(tree.Blocks, &o->Cursor, o->Header.NamePosition()) == 0)
    got = StreamRead(tree.Blocks, &o->Cursor, name, n);
  if (got >= 0) {
    memcpy(dest, name, (size_t)got);
    dest[got] = '\0';
  }
  if (name != small) delete[] name;
  return got < 0 ? 0 : got;
}

// The children table of a parent for one operation. A snapshot's kept table
// stands for its owner, which loaded once and never changes; in other files
// the owner is loaded, and held for the operation, to see that it did not.
class ParentTable {
 public:
  ParentTable(ObjectTree& tree, uint32_t parent) {
    if (tree.Blocks->Image && (table_ = tree.Tables.Kept(parent)) != nullptr) return;
    object_.emplace(tree.Objects, parent);
    if (object_->Get()) table_ = tree.Tables.Load(object_->Get());
  }
  ChildTable* Get() const { return table_; }

 private:
  std::optional<TransientObject> object_;
  ChildTable* table_ = nullptr;
};

int FindInTable(ObjectTree& tree, const ChildTable* table, const char* name) {
  size_t length = strlen(name);
  // Stored names are at most 65535 bytes long.
  if (length > 0xFFFF) return -1;
  char small[SmallNameSize];
  char* candidate = length + 2 <= sizeof small ? small : new (std::nothrow) char[length + 2];
  if (!candidate) return -1;
  uint32_t hash = NameHash(name, length);
  int found = -1;
  // Reading a candidate's name never writes, so the table stays in place.
  for (uint32_t i = 0; i < table->Count && found < 0; ++i) {
    if (table->Hash(i) != hash || table->Id(i) == 0) continue;  // block 0 holds no object
    // Room for one byte more than the name looked for, so that a stored name
    // that merely begins with it is told apart.
    const unsigned char* inPlace;
    int got;
    if (NameInPlace(tree, table->Id(i), (int)length + 2, &inPlace, &got)) {
      if (got == (int)length && memcmp(inPlace, name, length) == 0) found = AsObjectId(table->Id(i));
      continue;
    }
    got = ReadNameOf(tree, table->Id(i), candidate, (int)length + 2);
    if (got == (int)length && memcmp(candidate, name, length) == 0) found = AsObjectId(table->Id(i));
  }
  if (candidate != small) delete[] candidate;
  return found;
}

// Up to count bytes of an object's data from its start, as ReadData after a
// fresh load gives them; a ReadData sequence in progress on it stays as it was.
int ReadDataFromStart(ObjectTree& tree, uint32_t id, void* dest, int count) {
  if (count < 0 || (!dest && count > 0)) return -1;
  const unsigned char* inPlace;
  int got;
  if (PartInPlace(tree, id, ObjectPart::Data, (uint32_t)count, &inPlace, &got)) {
    memcpy(dest, inPlace, (size_t)got);
    return got;
  }
  TransientObject object(tree.Objects, id);
  CachedObject* o = object.Get();
  if (!o) return -1;
  uint32_t target = o->Header.DataPosition();
  if (target > o->Cursor.Length) target = o->Cursor.Length;
  if (StreamSeek(tree.Blocks, &o->Cursor, target) != 0) return -1;
  return StreamRead(tree.Blocks, &o->Cursor, dest, (uint32_t)count);
}


}  // namespace

int ObjectTree::FindChild(uint32_t parent, const char* name) {
  if (!name) return -1;
  ParentTable table(*this, parent);
  return table.Get() ? FindInTable(*this, table.Get(), name) : -1;
}

int ObjectTree::FirstChild(uint32_t parent) {
  ParentTable parentTable(*this, parent);
  ChildTable* table = parentTable.Get();
  if (!table) return -1;
  uint32_t i = NextListedEntry(Blocks, table, 0);
  if (i == table->Count) return -1;
  table->LastReturned = i;
  return AsObjectId(table->Id(i));
}

// Enumeration visits every distinct id once, at its first entry: entries that
// repeat an earlier id are passed over, so a damaged table cannot send
// FirstChild/NextChild round in a circle. The table stays in memory between
// calls and remembers where the last call stopped, so a whole enumeration
// reads it once and steps in constant time.
int ObjectTree::NextChild(uint32_t parent, int previous) {
  ParentTable parentTable(*this, parent);
  ChildTable* table = parentTable.Get();
  if (!table) return -1;
  uint32_t i = table->LastReturned;
  // Returned ids stand at their first entry, so the remembered place is the
  // first entry of previous whenever it holds that id.
  if (i >= table->Count || table->Id(i) != (uint32_t)previous || table->Repeats[i]) {
    i = 0;
    while (i < table->Count && table->Id(i) != (uint32_t)previous) ++i;
    if (i == table->Count) return -1;
  }
  i = NextListedEntry(Blocks, table, i + 1);
  if (i == table->Count) return -1;
  table->LastReturned = i;
  return AsObjectId(table->Id(i));
}

int ObjectTree::ReadName(uint32_t id, char* dest, int size) { return ReadNameOf(*this, id, dest, size); }

int ObjectTree::ReadData(uint32_t id, void* dest, int count) {
  if (count < 0 || (!dest && count > 0)) return -1;
  if (LoadObject(Objects, id) != 0) return -1;
  CachedObject* o = FindCachedObject(Objects, id);
  uint64_t target = (uint64_t)o->Header.DataPosition() + o->DataReadPosition;
  if (target > o->Cursor.Length) target = o->Cursor.Length;
  if (StreamSeek(Blocks, &o->Cursor, (uint32_t)target) != 0) return -1;
  int got = StreamRead(Blocks, &o->Cursor, dest, (uint32_t)count);
  if (got > 0) o->DataReadPosition += (uint32_t)got;
  return got;
}

int ObjectTree::ReadChildren(uint32_t parent, ChildRead* reads, int count) {
  {
    ParentTable table(*this, parent);
    if (!table.Get()) return -1;
    // Every lookup before any data is read: a writer's read may flush a block,
    // and every block written ends the kept tables.
    for (int i = 0; i < count; ++i) {
      int id = reads[i].Name ? FindInTable(*this, table.Get(), reads[i].Name) : -1;
      reads[i].Found = id >= 0;
      reads[i].Got = id;  // the id until its data is read
    }
  }
  for (int i = 0; i < count; ++i)
    if (reads[i].Found) reads[i].Got = ReadDataFromStart(*this, (uint32_t)reads[i].Got, reads[i].Dest, reads[i].Size);
  return 0;
}
