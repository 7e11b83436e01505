// The object cache of an open database and the read side of the object tree:
// FindChild, FirstChild, NextChild, ReadName, ReadData, ReleaseObject and
// ReadChildren.
#include <string.h>

#include <new>
#include <optional>

#include "database/cached_object.h"
#include "database/child_table.h"
#include "database/database_file.h"
#include "database/database_manager.h"

namespace {

// Names up to this size are read into a buffer on the stack.
const size_t SmallNameSize = 256;

// Ids travel as int; MaxBlockNumber and below fit.
int AsObjectId(uint32_t id) { return id > MaxBlockNumber ? -1 : (int)id; }

// The first entry from index on that enumeration returns (an entry passed
// over does not end it, so that the siblings after it are still seen). Count
// when none.
uint32_t NextListedEntry(DatabaseFile* db, const ChildTable* t, uint32_t index) {
  for (; index < t->Count; ++index)
    if (ClassifyChildEntry(db, t, index) == ListedEntry) return index;
  return t->Count;
}

enum class ObjectPart { Name, Data };

// A snapshot's object, not loaded, whose first count bytes of its name or its
// data lie inside its first block: those bytes where they lie (into *bytes,
// their number into *got), as a load, a seek and a read would give them.
// False when the stream must be read (the object is loaded, the bytes run past
// the first block or end right at its end, where a read moves on to the next
// block) or the object cannot be loaded.
bool PartInPlace(DatabaseFile* db, uint32_t id, ObjectPart part, uint32_t count, const unsigned char** bytes,
                 int* got) {
  if (!db->Image || id >= db->FileBlocks || FindCachedObject(db, id)) return false;
  const unsigned char* block = db->Image + (size_t)(id + 1) * BlockSize;
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

bool NameInPlace(DatabaseFile* db, uint32_t id, int size, const unsigned char** bytes, int* got) {
  return size > 0 && PartInPlace(db, id, ObjectPart::Name, (uint32_t)(size - 1), bytes, got);
}

int ReadNameLocked(DatabaseFile* db, uint32_t id, char* dest, int size) {
  const unsigned char* inPlace;
  int inPlaceCount;
  if (dest && NameInPlace(db, id, size, &inPlace, &inPlaceCount)) {
    memcpy(dest, inPlace, (size_t)inPlaceCount);
    dest[inPlaceCount] = '\0';
    return inPlaceCount;
  }
  TransientObject object(db, id);
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
  if (StreamSeek(db, &o->Cursor, o->Header.NamePosition()) == 0)
    got = StreamRead(db, &o->Cursor, name, n);
  if (got >= 0) {
    memcpy(dest, name, (size_t)got);
    dest[got] = '\0';
  }
  if (name != small) delete[] name;
  return got < 0 ? 0 : got;
}

}  // namespace

CachedObject* FindCachedObject(DatabaseFile* db, uint32_t id) {
  for (CachedObject* o = db->CacheHead; o; o = o->Next)
    if (o->Cursor.FirstBlock == id) return o;
  return nullptr;
}

namespace {

// A snapshot never changes: a record dropped a moment ago whose cursor still
// holds the object's first block is the object as a fresh load would make it
// once it is wound back to the start. Lookups drop and load the same parent
// and keys over and over.
CachedObject* ReviveSpare(DatabaseFile* db, uint32_t id) {
  CachedObject** link = &db->Spares;
  for (CachedObject* o = db->Spares; o; link = &o->Next, o = o->Next) {
    StreamCursor& c = o->Cursor;
    if (c.FirstBlock != id) continue;
    if (c.CurrentBlock != id || c.Dirty) return nullptr;
    *link = o->Next;
    --db->SpareCount;
    c.PreviousBlock = 0;
    c.Position = ObjectHeaderSize;
    c.Offset = (int)ObjectHeaderSize;
    c.Fill = (int)(c.Length < BlockPayloadSize ? c.Length : BlockPayloadSize);
    o->DataReadPosition = 0;
    o->Previous = o->Next = nullptr;
    return o;
  }
  return nullptr;
}

}  // namespace

int LoadObject(DatabaseFile* db, uint32_t id) {
  if (!ObjectIdInFile(db, id)) return -1;
  if (FindCachedObject(db, id)) return 0;
  if (db->Image) {
    if (CachedObject* o = ReviveSpare(db, id)) {
      o->Previous = db->CacheTail;
      if (db->CacheTail) db->CacheTail->Next = o;
      else db->CacheHead = o;
      db->CacheTail = o;
      return 0;
    }
  }
  // A snapshot's block is read where it lies.
  unsigned char copy[BlockSize];
  const unsigned char* block = db->Image && id < db->FileBlocks ? db->Image + (size_t)(id + 1) * BlockSize : copy;
  if (block == copy && ReadBlock(db, id, copy) != 0) return -1;
  uint32_t length = GetU32(block + BlockFirstWordOffset);
  if (length == ObjectUnloadableLength) return -1;
  // Lookups load and drop objects by the thousand (a parent and a child at a
  // time): a few dropped records wait for the next loads instead of going
  // back to the allocator.
  CachedObject* o = db->Spares;
  if (o) {
    db->Spares = o->Next;
    --db->SpareCount;
  } else {
    o = new (std::nothrow) CachedObject();
  }
  if (!o) return -1;
  // Every field is set here; the buffer's bytes past the payload are never read.
  StreamCursor& c = o->Cursor;
  c.FirstBlock = c.CurrentBlock = id;
  c.PreviousBlock = 0;
  c.Length = length;
  c.NextBlock = GetU32(block + BlockNextOffset);
  memcpy(c.Buffer, block + BlockPayloadOffset, BlockPayloadSize);
  memcpy(o->Header.Bytes, c.Buffer, ObjectHeaderSize);
  c.Position = ObjectHeaderSize;
  c.Offset = (int)ObjectHeaderSize;
  c.Fill = (int)(length < BlockPayloadSize ? length : BlockPayloadSize);
  c.Dirty = 0;
  o->DataReadPosition = 0;
  o->Next = nullptr;
  o->Previous = db->CacheTail;
  if (db->CacheTail) db->CacheTail->Next = o;
  else db->CacheHead = o;
  db->CacheTail = o;
  return 0;
}

void DropObject(DatabaseFile* db, uint32_t id) {
  CachedObject* o = FindCachedObject(db, id);
  if (!o) return;
  if (o->Previous) o->Previous->Next = o->Next;
  else db->CacheHead = o->Next;
  if (o->Next) o->Next->Previous = o->Previous;
  else db->CacheTail = o->Previous;
  if (db->SpareCount < SpareObjectLimit) {
    o->Next = db->Spares;
    db->Spares = o;
    ++db->SpareCount;
  } else {
    delete o;
  }
}

int DropAllObjects(DatabaseFile* db) {
  int count = 0;
  while (db->CacheHead) {
    DropObject(db, db->CacheHead->Cursor.FirstBlock);
    ++count;
  }
  return count;
}

TransientObject::TransientObject(DatabaseFile* db, uint32_t id)
    : db_(db), id_(id), object_(FindCachedObject(db, id)), loadedHere_(false) {
  if (!object_ && LoadObject(db, id) == 0) {
    object_ = FindCachedObject(db, id);
    loadedHere_ = true;
  }
}

TransientObject::~TransientObject() {
  if (loadedHere_) DropObject(db_, id_);
}

namespace {

// The children table of a parent for one operation. A snapshot's kept table
// stands for its owner, which loaded once and never changes; in other files
// the owner is loaded, and held for the operation, to see that it did not.
class ParentTable {
 public:
  ParentTable(DatabaseFile* db, uint32_t parent) {
    if (db->Image && (table_ = KeptChildTable(db, parent)) != nullptr) return;
    object_.emplace(db, parent);
    if (object_->Get()) table_ = LoadChildTable(db, object_->Get());
  }
  ChildTable* Get() const { return table_; }

 private:
  std::optional<TransientObject> object_;
  ChildTable* table_ = nullptr;
};

int FindInTable(DatabaseFile* db, const ChildTable* table, const char* name) {
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
    if (NameInPlace(db, table->Id(i), (int)length + 2, &inPlace, &got)) {
      if (got == (int)length && memcmp(inPlace, name, length) == 0) found = AsObjectId(table->Id(i));
      continue;
    }
    got = ReadNameLocked(db, table->Id(i), candidate, (int)length + 2);
    if (got == (int)length && memcmp(candidate, name, length) == 0) found = AsObjectId(table->Id(i));
  }
  if (candidate != small) delete[] candidate;
  return found;
}

}  // namespace

int DatabaseManager::FindChild(int handle, int parent, const char* name) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db || !name) return -1;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  ParentTable table(db, (uint32_t)parent);
  return table.Get() ? FindInTable(db, table.Get(), name) : -1;
}

int DatabaseManager::FirstChild(int handle, int parent) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return -1;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  ParentTable parentTable(db, (uint32_t)parent);
  ChildTable* table = parentTable.Get();
  if (!table) return -1;
  uint32_t i = NextListedEntry(db, table, 0);
  if (i == table->Count) return -1;
  table->LastReturned = i;
  return AsObjectId(table->Id(i));
}

// Enumeration visits every distinct id once, at its first entry: entries that
// repeat an earlier id are passed over, so a damaged table cannot send
// FirstChild/NextChild round in a circle. The table stays in memory between
// calls and remembers where the last call stopped, so a whole enumeration
// reads it once and steps in constant time.
int DatabaseManager::NextChild(int handle, int parent, int previous) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return -1;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  ParentTable parentTable(db, (uint32_t)parent);
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
  i = NextListedEntry(db, table, i + 1);
  if (i == table->Count) return -1;
  table->LastReturned = i;
  return AsObjectId(table->Id(i));
}

int DatabaseManager::ReadName(int handle, int id, char* dest, int size) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return -1;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  return ReadNameLocked(db, (uint32_t)id, dest, size);
}

int DatabaseManager::ReadData(int handle, int id, void* dest, int count) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db || count < 0 || (!dest && count > 0)) return -1;
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  if (LoadObject(db, (uint32_t)id) != 0) return -1;
  CachedObject* o = FindCachedObject(db, (uint32_t)id);
  uint64_t target = (uint64_t)o->Header.DataPosition() + o->DataReadPosition;
  if (target > o->Cursor.Length) target = o->Cursor.Length;
  if (StreamSeek(db, &o->Cursor, (uint32_t)target) != 0) return -1;
  int got = StreamRead(db, &o->Cursor, dest, (uint32_t)count);
  if (got > 0) o->DataReadPosition += (uint32_t)got;
  return got;
}

namespace {

// Up to count bytes of an object's data from its start, as ReadData after a
// fresh load gives them; a ReadData sequence in progress on it stays as it was.
int ReadDataFromStart(DatabaseFile* db, uint32_t id, void* dest, int count) {
  if (count < 0 || (!dest && count > 0)) return -1;
  const unsigned char* inPlace;
  int got;
  if (PartInPlace(db, id, ObjectPart::Data, (uint32_t)count, &inPlace, &got)) {
    memcpy(dest, inPlace, (size_t)got);
    return got;
  }
  TransientObject object(db, id);
  CachedObject* o = object.Get();
  if (!o) return -1;
  uint32_t target = o->Header.DataPosition();
  if (target > o->Cursor.Length) target = o->Cursor.Length;
  if (StreamSeek(db, &o->Cursor, target) != 0) return -1;
  return StreamRead(db, &o->Cursor, dest, (uint32_t)count);
}

}  // namespace

int DatabaseManager::ReadChildren(int handle, int parent, ChildRead* reads, int count) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db || count < 0 || (!reads && count > 0)) return -1;
  for (int i = 0; i < count; ++i) {
    reads[i].Found = 0;
    reads[i].Got = -1;
  }
  RecursiveLockHolder hold(db->Lock);
  RefreshReadAhead(db);
  {
    ParentTable table(db, (uint32_t)parent);
    if (!table.Get()) return -1;
    // Every lookup before any data is read: a writer's read may flush a block,
    // and every block written drops the kept tables.
    for (int i = 0; i < count; ++i) {
      int id = reads[i].Name ? FindInTable(db, table.Get(), reads[i].Name) : -1;
      reads[i].Found = id >= 0;
      reads[i].Got = id;  // the id until its data is read
    }
  }
  for (int i = 0; i < count; ++i)
    if (reads[i].Found) reads[i].Got = ReadDataFromStart(db, (uint32_t)reads[i].Got, reads[i].Dest, reads[i].Size);
  return 0;
}

void DatabaseManager::ReleaseObject(int handle, int id) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return;
  RecursiveLockHolder hold(db->Lock);
  DropObject(db, (uint32_t)id);
}
