// Writing objects: encodes an object's stream (header, name, children table,
// data) and writes it over a chain, for tools and tests.
#include "database/object_writer.h"

#include <string.h>

#include "database/database_file.h"
#include "database/database_manager.h"

namespace {

struct ChildRef {
  uint32_t Id;
  uint32_t Hash;
};

// Encodes one object; false when a field would overflow its width.
bool EncodeObject(const std::string& name, const std::vector<ChildRef>& children,
                  const void* data, size_t dataLength, std::string& out) {
  uint64_t namePosition = ObjectHeaderSize;
  uint64_t childrenPosition = namePosition + name.size();
  uint64_t dataPosition = childrenPosition + (uint64_t)children.size() * ChildEntrySize;
  if (name.size() > 0xFFFF || childrenPosition > MaxObjectNamePosition ||
      children.size() > MaxObjectChildCount || dataPosition > MaxObjectDataPosition ||
      dataPosition + dataLength > 0xFFFFFFFFull)
    return false;
  ObjectHeader header;
  header.Set((uint32_t)namePosition, (uint32_t)name.size(), (uint32_t)childrenPosition,
             (uint32_t)children.size(), (uint32_t)dataPosition);
  out.assign(reinterpret_cast<const char*>(header.Bytes), ObjectHeaderSize);
  out += name;
  for (const ChildRef& child : children) {
    unsigned char entry[ChildEntrySize];
    PutU32(entry, child.Id);
    PutU32(entry + 4, child.Hash);
    out.append(reinterpret_cast<const char*>(entry), sizeof entry);
  }
  if (dataLength) out.append(static_cast<const char*>(data), dataLength);
  return true;
}

int ReadWholeStream(BlockFile* blocks, uint32_t first, std::string& out) {
  StreamCursor c;
  if (!BlockInFile(blocks, first) || StreamOpen(blocks, &c, first) != 0) return -1;
  if (c.Length == ObjectUnloadableLength) return -1;
  out.resize(c.Length);
  if (c.Length && StreamRead(blocks, &c, &out[0], c.Length) != (int)c.Length) return -1;
  return 0;
}

// Writes bytes as the whole content of the stream starting at first; blocks
// the old content had beyond the new length stay linked.
int WriteWholeStream(BlockFile* blocks, uint32_t first, const std::string& bytes) {
  StreamCursor c;
  if (StreamOpen(blocks, &c, first) != 0) return -1;
  if (!bytes.empty() && StreamWrite(blocks, &c, bytes.data(), (uint32_t)bytes.size()) != (int)bytes.size())
    return -1;
  c.Length = (uint32_t)bytes.size();
  StreamClose(blocks, &c);
  return 0;
}

int CreateStream(BlockFile* blocks) {
  StreamCursor c;
  return StreamCreate(blocks, &c);
}

int WriteNewObject(BlockFile* blocks, uint32_t block, const std::string& name,
                   const std::vector<ChildRef>& children, const void* data, size_t dataLength) {
  std::string bytes;
  if (!EncodeObject(name, children, data, dataLength, bytes)) return -1;
  return WriteWholeStream(blocks, block, bytes);
}

int EnsureRoot(BlockFile* blocks) {
  if (blocks->BlockCount() > (uint32_t)RootObjectId) return 0;
  int block = CreateStream(blocks);
  if (block != RootObjectId) return -1;
  return WriteNewObject(blocks, RootObjectId, std::string(), {}, nullptr, 0);
}

// Writes node and everything below it into the stream starting at block: each
// object's children get their first blocks before the first child's own
// subtree is written, and an object's stream is written after its subtree.
// An explicit stack instead of recursion, so that depth costs no call stack.
int WriteTree(BlockFile* blocks, uint32_t block, const ObjectNode& node) {
  // Far deeper than any description a person writes.
  const size_t MaxTreeDepth = 10000;
  struct Pending {
    const ObjectNode* Node;
    uint32_t Block;
    size_t Written;  // children whose subtree is written
    std::vector<ChildRef> Children;
  };
  std::vector<Pending> stack;
  stack.push_back({&node, block, 0, {}});
  while (!stack.empty()) {
    Pending& top = stack.back();
    if (top.Written < top.Node->Children.size()) {
      const ObjectNode& child = top.Node->Children[top.Written++];
      int id = CreateStream(blocks);
      if (id <= 0 || stack.size() > MaxTreeDepth) return -1;
      top.Children.push_back({(uint32_t)id, NameHash(child.Name.data(), child.Name.size())});
      stack.push_back({&child, (uint32_t)id, 0, {}});
      continue;
    }
    if (WriteNewObject(blocks, top.Block, top.Node->Name, top.Children, top.Node->Data.data(), top.Node->Data.size()) != 0)
      return -1;
    stack.pop_back();
  }
  return 0;
}

DatabaseFile* WritableDatabase(int handle) {
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db || db->Blocks.Mode == OpenReadOnly || db->Blocks.File == NoFile) return nullptr;
  return db;
}

}  // namespace

int CreateObject(DatabaseManager&, int handle, int parent, const char* name, const void* data,
                 unsigned dataLength) {
  DatabaseFile* db = WritableDatabase(handle);
  if (!db || !name || (!data && dataLength)) return -1;
  RecursiveLockHolder hold(db->Lock);
  BlockFile* blocks = &db->Blocks;
  if (parent == RootObjectId && EnsureRoot(blocks) != 0) return -1;
  std::string parentBytes;
  if (parent <= 0 || ReadWholeStream(blocks, (uint32_t)parent, parentBytes) != 0) return -1;
  if (parentBytes.size() < ObjectHeaderSize) return -1;
  ObjectHeader header;
  memcpy(header.Bytes, parentBytes.data(), ObjectHeaderSize);
  uint64_t tableEnd = (uint64_t)header.ChildrenPosition() + (uint64_t)header.ChildCount() * ChildEntrySize;
  // Only the layout this writer produces can take an entry in place: name
  // before the table, data after it.
  if (tableEnd > parentBytes.size() || header.DataPosition() < tableEnd ||
      (header.NameLength() && header.NamePosition() >= tableEnd) ||
      header.ChildCount() >= MaxObjectChildCount || header.DataPosition() + ChildEntrySize > MaxObjectDataPosition)
    return -1;

  std::string childName(name);
  int id = CreateStream(blocks);
  if (id <= 0) return -1;
  if (WriteNewObject(blocks, (uint32_t)id, childName, {}, data, dataLength) != 0) return -1;

  unsigned char entry[ChildEntrySize];
  PutU32(entry, (uint32_t)id);
  PutU32(entry + 4, NameHash(childName.data(), childName.size()));
  parentBytes.insert((size_t)tableEnd, reinterpret_cast<const char*>(entry), sizeof entry);
  uint32_t count = header.ChildCount() + 1;
  uint32_t dataPosition = header.DataPosition() + ChildEntrySize;
  PutU16(header.Bytes + ObjectChildCountLowOffset, (uint16_t)count);
  header.Bytes[ObjectChildCountHighOffset] = (unsigned char)(count >> 16);
  PutU16(header.Bytes + ObjectDataPositionLowOffset, (uint16_t)dataPosition);
  header.Bytes[ObjectDataPositionHighOffset] = (unsigned char)(dataPosition >> 16);
  memcpy(&parentBytes[0], header.Bytes, ObjectHeaderSize);
  DropObject(db->Tree.Objects, (uint32_t)parent);
  if (WriteWholeStream(blocks, (uint32_t)parent, parentBytes) != 0) return -1;
  return id;
}

int WriteObjectData(DatabaseManager&, int handle, int id, const void* data, unsigned dataLength) {
  DatabaseFile* db = WritableDatabase(handle);
  if (!db || id <= 0 || (!data && dataLength)) return -1;
  RecursiveLockHolder hold(db->Lock);
  BlockFile* blocks = &db->Blocks;
  std::string bytes;
  if (ReadWholeStream(blocks, (uint32_t)id, bytes) != 0 || bytes.size() < ObjectHeaderSize) return -1;
  ObjectHeader header;
  memcpy(header.Bytes, bytes.data(), ObjectHeaderSize);
  if (header.DataPosition() > bytes.size()) return -1;
  bytes.resize(header.DataPosition());
  if (dataLength) bytes.append(static_cast<const char*>(data), dataLength);
  DropObject(db->Tree.Objects, (uint32_t)id);
  return WriteWholeStream(blocks, (uint32_t)id, bytes);
}

int WriteObjectTree(DatabaseManager&, int handle, const ObjectNode& root) {
  DatabaseFile* db = WritableDatabase(handle);
  if (!db) return -1;
  RecursiveLockHolder hold(db->Lock);
  BlockFile* blocks = &db->Blocks;
  if (blocks->BlockCount() > (uint32_t)RootObjectId) return -1;
  if (CreateStream(blocks) != RootObjectId) return -1;
  return WriteTree(blocks, RootObjectId, root);
}
