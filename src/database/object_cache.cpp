// Loading and dropping objects, with the spare records a snapshot revives.
#include "database/object_cache.h"

#include <string.h>

#include <new>

namespace {

void Append(ObjectCache& cache, CachedObject* o) {
  o->Next = nullptr;
  o->Previous = cache.Tail;
  if (cache.Tail) cache.Tail->Next = o;
  else cache.Head = o;
  cache.Tail = o;
}

// A snapshot never changes: a record dropped a moment ago whose cursor still
// holds the object's first block is the object as a fresh load would make it
// once it is wound back to the start. Lookups drop and load the same parent
// and keys over and over.
CachedObject* ReviveSpare(ObjectCache& cache, uint32_t id) {
  CachedObject** link = &cache.Spares;
  for (CachedObject* o = cache.Spares; o; link = &o->Next, o = o->Next) {
    StreamCursor& c = o->Cursor;
    if (c.FirstBlock != id) continue;
    if (c.CurrentBlock != id || c.Dirty) return nullptr;
    *link = o->Next;
    --cache.SpareCount;
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

ObjectCache::~ObjectCache() {
  while (Spares) {
    CachedObject* next = Spares->Next;
    delete Spares;
    Spares = next;
  }
}

CachedObject* FindCachedObject(ObjectCache& cache, uint32_t id) {
  for (CachedObject* o = cache.Head; o; o = o->Next)
    if (o->Cursor.FirstBlock == id) return o;
  return nullptr;
}

int LoadObject(ObjectCache& cache, uint32_t id) {
  BlockFile* b = cache.Blocks;
  if (!BlockInFile(b, id)) return -1;
  if (FindCachedObject(cache, id)) return 0;
  if (b->Image) {
    if (CachedObject* o = ReviveSpare(cache, id)) {
      Append(cache, o);
      return 0;
    }
  }
  // A snapshot's block is read where it lies.
  unsigned char copy[BlockSize];
  const unsigned char* block = b->Image && id < b->FileBlocks ? b->Image + (size_t)(id + 1) * BlockSize : copy;
  if (block == copy && ReadBlock(b, id, copy) != 0) return -1;
  uint32_t length = GetU32(block + BlockFirstWordOffset);
  if (length == ObjectUnloadableLength) return -1;
  // Lookups load and drop objects by the thousand (a parent and a child at a
  // time): a few dropped records wait for the next loads instead of going
  // back to the allocator.
  CachedObject* o = cache.Spares;
  if (o) {
    cache.Spares = o->Next;
    --cache.SpareCount;
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
  Append(cache, o);
  return 0;
}

void DropObject(ObjectCache& cache, uint32_t id) {
  CachedObject* o = FindCachedObject(cache, id);
  if (!o) return;
  if (o->Previous) o->Previous->Next = o->Next;
  else cache.Head = o->Next;
  if (o->Next) o->Next->Previous = o->Previous;
  else cache.Tail = o->Previous;
  if (cache.SpareCount < SpareObjectLimit) {
    o->Next = cache.Spares;
    cache.Spares = o;
    ++cache.SpareCount;
  } else {
    delete o;
  }
}

int DropAllObjects(ObjectCache& cache) {
  int count = 0;
  while (cache.Head) {
    DropObject(cache, cache.Head->Cursor.FirstBlock);
    ++count;
  }
  return count;
}

TransientObject::TransientObject(ObjectCache& cache, uint32_t id)
    : cache_(cache), id_(id), object_(FindCachedObject(cache, id)), loadedHere_(false) {
  if (!object_ && LoadObject(cache, id) == 0) {
    object_ = FindCachedObject(cache, id);
    loadedHere_ = true;
  }
}

TransientObject::~TransientObject() {
  if (loadedHere_) DropObject(cache_, id_);
}
