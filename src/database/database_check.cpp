// CheckDatabase: the header, the tree from the root, then the free-block
// stream, each stream walked once through blocks it claims for itself.
#include "database/database_check.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>

#include <new>

#include "database/check_block_reader.h"
#include "database/block_marks.h"
#include "database/damage_text.h"
#include "database/database_format.h"
#include "database/database_manager.h"

namespace {

// Owner words: 0 for a block no stream has claimed, an object's id + 1, or
// this for the free-block stream (ids stop at MaxBlockNumber).
const uint32_t FreeStreamOwner = 0xFFFFFFFFu;
const uint32_t FreeEntrySize = 4;

// An object reached and not yet looked at, with the entry that reached it.
struct PendingObject {
  uint32_t Id;
  uint32_t Parent;
  uint32_t Index;
  uint32_t Hash;
};

// What a walk does with the bytes of a stream: position is the stream offset
// of the first byte given, count is never more than a block's payload.
class StreamBytes {
 public:
  virtual void Take(uint32_t position, const unsigned char* bytes, uint32_t count) = 0;

 protected:
  ~StreamBytes() {}
};

// The part [from, to) of a stream that lies in [position, position + count).
bool Overlap(uint32_t position, uint32_t count, uint64_t from, uint64_t to, uint32_t& begin, uint32_t& end) {
  uint64_t b = from > position ? from : position;
  uint64_t e = to < (uint64_t)position + count ? to : (uint64_t)position + count;
  if (b >= e) return false;
  begin = (uint32_t)(b - position);
  end = (uint32_t)(e - position);
  return true;
}

// Collects little-endian records of size bytes that may straddle blocks.
template <uint32_t Size>
class RecordAssembler {
 public:
  // Calls take(record) for every record completed by these bytes.
  template <typename Take>
  void Add(const unsigned char* bytes, uint32_t count, Take take) {
    for (uint32_t i = 0; i < count; ++i) {
      record_[fill_++] = bytes[i];
      if (fill_ == Size) {
        fill_ = 0;
        take(record_);
      }
    }
  }

 private:
  unsigned char record_[Size];
  uint32_t fill_ = 0;
};

class Checker {
 public:
  Checker(CheckBlockReader& reader, CheckFindings& findings) : reader_(reader), findings_(findings) {}

  // False when the check had to stop (error_ says why).
  bool Run() {
    if (reader_.FileSize() < HeaderUnitSize) {
      Problem("header: file is " + std::to_string(reader_.FileSize()) + " bytes, shorter than the 256-byte header");
      return true;
    }
    const unsigned char* header = reader_.HeaderUnit();
    if (!header) return Fail(reader_.Error());
    uint64_t size = reader_.FileSize();
    uint32_t blockCount = GetU32(header + HeaderBlockCountOffset);
    if (size % BlockSize != 0) Problem("header: file size " + std::to_string(size) + " is not a multiple of 256");
    if (size > (uint64_t)(MaxBlockNumber + 2) * BlockSize)
      Problem("header: file size " + std::to_string(size) + " is beyond the 4 GiB that block offsets reach; " +
              "what lies past them is not read");
    if (blockCount > MaxBlockNumber + 1)
      Problem("header: BlockCount " + std::to_string(blockCount) + " exceeds what a file can hold");
    if (reader_.BlocksHeld() < blockCount)
      Problem("header: BlockCount " + std::to_string(blockCount) + " but the file holds " +
              std::to_string(reader_.BlocksHeld()) + " blocks");
    if (GetU32(header + HeaderWriterOpenOffset) != 0) findings_.Note(WriterOpenNote());
    // The tree first: its blocks are what readers need, so a free-block
    // stream that runs into them is what gets reported, not the other way.
    if (blockCount > (uint32_t)RootObjectId || reader_.Holds(RootObjectId)) {
      if (!CheckTree()) return false;
    }
    if (!CheckFreeList(GetU32(header + HeaderFreeListBlockOffset), GetU32(header + HeaderFreeBlockCountOffset)))
      return false;
    if (moreShared_ > 0)
      Problem(std::to_string(moreShared_) + " more streams run into blocks already reported as shared");
    if (moreReached_ > 0) Problem(MoreReachedAgain(moreReached_));
    return true;
  }
  const std::string& Error() const { return error_; }
  uint64_t Problems() const { return problems_; }

 private:
  void Problem(const std::string& line) {
    ++problems_;
    findings_.Problem(line);
  }
  bool Fail(const std::string& why) {
    error_ = why;
    return false;
  }
  std::string OutOfMemoryText() const {
    return "not enough memory to check a file of " + std::to_string(reader_.BlocksHeld()) + " blocks";
  }
  bool OutOfMemory() { return Fail(OutOfMemoryText()); }
  static std::string OwnerName(uint32_t owner) {
    return owner == FreeStreamOwner ? std::string("free-block stream") : "object " + std::to_string(owner - 1);
  }

  enum WalkEnd { Walked, Stopped, Failed };
  WalkEnd Stop(const std::string& why) {
    Fail(why);
    return Failed;
  }

  // Follows the stream that starts at first, as far as its length, claiming
  // its blocks for owner and handing its bytes to bytes. Stops at damage (a
  // short chain, a loop, a link out of the file) and at a block another
  // stream has claimed.
  WalkEnd Walk(uint32_t first, uint32_t owner, const std::string& what, StreamBytes& bytes, uint32_t& length) {
    if (!reader_.Holds(first)) {
      Problem(what + ": first block " + std::to_string(first) + " is outside the file");
      return Stopped;
    }
    const unsigned char* b = reader_.Block(first);
    if (!b) return Stop(reader_.Error());
    length = GetU32(b + BlockFirstWordOffset);
    if (length == ObjectUnloadableLength) {
      Problem(what + ": length word is all ones (cannot be loaded)");
      return Stopped;
    }
    uint64_t needed = (uint64_t)length / BlockPayloadSize + 1;
    uint32_t block = first, previous = 0, position = 0;
    for (uint64_t index = 0;; ++index) {
      uint32_t claimed = owners_.Get(block);
      if (claimed == owner) {
        Problem(what + ": chain loops back to block " + std::to_string(block));
        return Stopped;
      }
      if (claimed != 0) {
        SharedBlock(block, claimed, what);
        return Stopped;
      }
      if (!owners_.Set(block, owner)) return Stop(OutOfMemoryText());
      uint32_t predecessor = GetU32(b + BlockFirstWordOffset);
      if (index > 0 && predecessor != previous)
        Problem(what + ": block " + std::to_string(block) + " names " + std::to_string(predecessor) +
                " as its predecessor, not " + std::to_string(previous));
      uint32_t n = length - position < BlockPayloadSize ? length - position : BlockPayloadSize;
      // The first block goes over even when empty: it is where an object's
      // header is looked for.
      if (n > 0 || index == 0) bytes.Take(position, b + BlockPayloadOffset, n);
      if (!error_.empty()) return Failed;
      position += n;
      if (index + 1 == needed) return Walked;
      uint32_t next = GetU32(b + BlockNextOffset);
      if (next == 0) {
        Problem(what + ": length " + std::to_string(length) + " needs " + std::to_string(needed) +
                " blocks, the chain has " + std::to_string(index + 1));
        return Stopped;
      }
      if (!reader_.Holds(next)) {
        Problem(what + ": block " + std::to_string(block) + " links to block " + std::to_string(next) +
                ", outside the file");
        return Stopped;
      }
      previous = block;
      block = next;
      b = reader_.Block(block);
      if (!b) return Stop(reader_.Error());
    }
  }

  // A block is named once, with its first claimant and the stream that ran
  // into it; later streams running into it are counted.
  void SharedBlock(uint32_t block, uint32_t claimed, const std::string& what) {
    if (sharedReported_.Test(block)) {
      ++moreShared_;
      return;
    }
    if (!sharedReported_.Set(block)) {
      OutOfMemory();
      return;
    }
    Problem("block " + std::to_string(block) + " belongs to both " + OwnerName(claimed) + " and " + what);
  }

  class FreeListBytes : public StreamBytes {
   public:
    FreeListBytes(Checker& c, uint32_t entries) : c_(c), entries_(entries) {}
    void Take(uint32_t position, const unsigned char* bytes, uint32_t count) override {
      uint32_t begin, end;
      if (!Overlap(position, count, 0, (uint64_t)entries_ * FreeEntrySize, begin, end)) return;
      entry_.Add(bytes + begin, end - begin, [this](const unsigned char* e) { c_.FreeEntry(index_++, GetU32(e)); });
    }

   private:
    Checker& c_;
    uint32_t entries_;
    uint32_t index_ = 0;
    RecordAssembler<FreeEntrySize> entry_;
  };

  void FreeEntry(uint32_t i, uint32_t block) {
    std::string entry = "free-block stream: entry " + std::to_string(i);
    if (block == 0) Problem(entry + " names block 0, which never holds a free block");
    else if (!reader_.Holds(block)) Problem(entry + " names block " + std::to_string(block) + ", outside the file");
    else if (free_.Test(block)) Problem(entry + " lists block " + std::to_string(block) + " a second time");
    else if (!free_.Set(block)) OutOfMemory();
    else if (owners_.Get(block) != 0 && owners_.Get(block) != FreeStreamOwner)
      Problem(OwnerName(owners_.Get(block)) + ": block " + std::to_string(block) + " is listed as free");
  }

  bool CheckFreeList(uint32_t first, uint32_t count) {
    const std::string what = "free-block stream";
    if (!reader_.Holds(first)) {
      Problem(what + ": first block " + std::to_string(first) + " is outside the file");
      return true;
    }
    const unsigned char* b = reader_.Block(first);
    if (!b) return Fail(reader_.Error());
    uint32_t length = GetU32(b + BlockFirstWordOffset);
    if (length != ObjectUnloadableLength && (uint64_t)count * FreeEntrySize > length) {
      Problem(what + ": FreeBlockCount " + std::to_string(count) + " needs " +
              std::to_string((uint64_t)count * FreeEntrySize) + " bytes, the stream holds " + std::to_string(length));
      count = length / FreeEntrySize;
    }
    FreeListBytes bytes(*this, count);
    return Walk(first, FreeStreamOwner, what, bytes, length) != Failed;
  }

  // An object's header, name hash and children table as its bytes pass by.
  class ObjectBytes : public StreamBytes {
   public:
    ObjectBytes(Checker& c, uint32_t id, const std::string& what) : c_(c), id_(id), what_(what) {}
    void Take(uint32_t position, const unsigned char* bytes, uint32_t count) override {
      if (position == 0) ReadHeader(bytes);
      uint32_t begin, end;
      if (nameWanted_ && Overlap(position, count, nameFrom_, nameTo_, begin, end))
        name_.Add(reinterpret_cast<const char*>(bytes + begin), end - begin);
      if (tableWanted_ && Overlap(position, count, tableFrom_, tableTo_, begin, end))
        entry_.Add(bytes + begin, end - begin,
                   [this](const unsigned char* e) { c_.Entry(id_, index_++, GetU32(e), GetU32(e + 4)); });
    }
    // Whether the whole name went by, and its hash.
    bool NameComplete() const { return nameWanted_ && name_.Count == nameTo_ - nameFrom_; }
    uint32_t NameHash() const { return name_.Value(); }
    uint32_t length = 0;

   private:
    // The first block holds the whole header (28 of its 248 bytes).
    void ReadHeader(const unsigned char* bytes) {
      std::string size = std::to_string(length);
      if (length < ObjectHeaderSize) {
        c_.Problem(what_ + ": stream of " + size + " bytes cannot hold the 28-byte object header");
        return;
      }
      ObjectHeader h;
      for (uint32_t i = 0; i < ObjectHeaderSize; ++i) h.Bytes[i] = bytes[i];
      nameFrom_ = h.NamePosition();
      nameTo_ = nameFrom_ + h.NameLength();
      nameWanted_ = nameTo_ <= length;
      if (!nameWanted_)
        c_.Problem(what_ + ": name (" + std::to_string(h.NameLength()) + " bytes at " + std::to_string(nameFrom_) +
                   ") runs past the stream's " + size + " bytes");
      if (h.DataPosition() > length)
        c_.Problem(what_ + ": data position " + std::to_string(h.DataPosition()) + " is past the stream's " + size +
                   " bytes");
      tableFrom_ = h.ChildrenPosition();
      tableTo_ = tableFrom_ + (uint64_t)h.ChildCount() * ChildEntrySize;
      tableWanted_ = tableTo_ <= length;
      if (!tableWanted_)
        c_.Problem(what_ + ": children table (" + std::to_string(h.ChildCount()) + " entries at " +
                   std::to_string(tableFrom_) + ") runs past the stream's " + size + " bytes");
    }

    Checker& c_;
    uint32_t id_;
    const std::string& what_;
    bool nameWanted_ = false, tableWanted_ = false;
    uint64_t nameFrom_ = 0, nameTo_ = 0, tableFrom_ = 0, tableTo_ = 0;
    NameHashState name_;
    uint32_t index_ = 0;
    RecordAssembler<ChildEntrySize> entry_;
  };

  // One children-table entry, classified in the order dump uses.
  void Entry(uint32_t parent, uint32_t index, uint32_t child, uint32_t hash) {
    // Every table is read once, so a child last listed by this parent is listed twice here.
    if (child == 0) Problem(EntryNamesBlockZero(parent, index));
    else if (!reader_.Holds(child)) Problem(EntryOutsideFile(parent, index, child));
    else if (listedBy_.Get(child) == parent + 1) Problem(EntryRepeatsChild(parent, index, child));
    else if (!listedBy_.Set(child, parent + 1)) OutOfMemory();
    else if (reached_.Test(child)) ReachedAgainFrom(parent, child);
    else if (!reached_.Set(child) || !pending_.Push({child, parent, index, hash})) OutOfMemory();
  }

  void ReachedAgainFrom(uint32_t parent, uint32_t child) {
    if (reachedReported_.Test(child)) {
      ++moreReached_;
      return;
    }
    if (reachedReported_.Set(child)) Problem(ReachedAgain(parent, child));
    else OutOfMemory();
  }

  bool CheckTree() {
    const uint32_t root = RootObjectId;
    if (!reached_.Set(root) || !pending_.Push({root, root, 0, 0})) return OutOfMemory();
    while (!pending_.Empty()) {
      PendingObject o = pending_.Pop();
      std::string what = "object " + std::to_string(o.Id);
      ObjectBytes bytes(*this, o.Id, what);
      size_t children = pending_.Size();
      WalkEnd end = Walk(o.Id, o.Id + 1, what, bytes, bytes.length);
      if (end == Failed) return false;
      // Children are looked at in table order, depth first, as dump shows
      // them, so that both name the same parent for an object reached again.
      pending_.ReverseFrom(children);
      if (o.Id != root && bytes.NameComplete() && bytes.NameHash() != o.Hash)
        Problem("object " + std::to_string(o.Parent) + ": entry " + std::to_string(o.Index) + ": hash " + Hex(o.Hash) +
                " does not match the name of object " + std::to_string(o.Id) + " (" + Hex(bytes.NameHash()) + ")");
    }
    return error_.empty();
  }

  static std::string Hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof text, "%08X", v);
    return text;
  }

  CheckBlockReader& reader_;
  CheckFindings& findings_;
  std::string error_;
  uint64_t problems_ = 0;
  BlockWords owners_;   // which stream claimed each block
  BlockWords listedBy_;  // the parent (+ 1) whose table last listed each object
  BlockBits reached_;
  BlockBits free_;      // listed in the free-block stream
  BlockBits sharedReported_;
  BlockBits reachedReported_;
  WorkStack<PendingObject> pending_;
  uint64_t moreShared_ = 0;
  uint64_t moreReached_ = 0;
};

class CollectedFindings : public CheckFindings {
 public:
  CollectedFindings(std::vector<std::string>& problems, std::vector<std::string>* notes)
      : problems_(problems), notes_(notes) {}
  void Problem(const std::string& line) override { problems_.push_back(line); }
  void Note(const std::string& line) override {
    if (notes_) notes_->push_back(line);
  }

 private:
  std::vector<std::string>& problems_;
  std::vector<std::string>* notes_;
};

}  // namespace

int CheckDatabase(const char* path, CheckFindings& findings, std::string& error) {
  CheckBlockReader reader;
  if (!reader.Open(path, error)) return -1;
  // Kept off the stack: the page tables alone take some tens of kilobytes.
  Checker* checker = new (std::nothrow) Checker(reader, findings);
  if (!checker) {
    error = "not enough memory to check " + std::string(path);
    return -1;
  }
  bool finished = checker->Run();
  int problems = checker->Problems() > (uint64_t)INT_MAX ? INT_MAX : (int)checker->Problems();
  if (!finished) error = checker->Error() + " (checking " + path + ")";
  delete checker;
  return finished ? problems : -1;
}

int CheckDatabase(const char* path, std::vector<std::string>& problems, std::vector<std::string>* notes) {
  CollectedFindings findings(problems, notes);
  std::string error;
  int count = CheckDatabase(path, findings, error);
  if (count < 0) problems.push_back(error);
  return count;
}
