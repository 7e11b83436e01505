// dump, check and build.
#include "hdbtool_commands.h"

#include <stdio.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "database/block_marks.h"
#include "database/damage_text.h"
#include "database/database_check.h"
#include "database/database_manager.h"
#include "database/object_inspection.h"
#include "database/object_writer.h"
#include "description.h"
#include "text_escape.h"

namespace {

// The new database is written under OUT plus this, then renamed to OUT.
const char PartialSuffix[] = ".partial";
// Names are at most 65535 bytes long.
const int NameBufferSize = 65536;
const int DataChunkSize = 4096;
// Build holds the whole tree in memory: descriptions larger than this (far
// beyond any configuration) are refused rather than left to exhaust it.
const size_t MaxDescriptionBytes = 64u * 1024 * 1024;

// Closes a database handle at scope exit.
class OpenDatabaseHandle {
 public:
  OpenDatabaseHandle(DatabaseManager& db, const char* path, int mode) : db_(db), handle_(db.OpenDatabase(path, mode)) {}
  ~OpenDatabaseHandle() {
    if (handle_ >= 0) db_.CloseDatabase(handle_);
  }
  OpenDatabaseHandle(const OpenDatabaseHandle&) = delete;
  OpenDatabaseHandle& operator=(const OpenDatabaseHandle&) = delete;
  int Get() const { return handle_; }
  // Closes now; the result of CloseDatabase.
  int Close() {
    int result = db_.CloseDatabase(handle_);
    handle_ = -1;
    return result;
  }

 private:
  DatabaseManager& db_;
  int handle_;
};

// Prints the tree below the root as it walks it, through the engine's public
// interface as the scheduler would, with an explicit stack (no recursion per
// level) and data written as it is read. Every object is followed once; what
// is left out is reported on err in the words check uses: objects that cannot
// be read, children tables that cannot be read, every entry enumeration passes
// over, objects reached a second time, and levels beyond MaxTreeDepth.
class TreeWalker final : private ChildEntryVisitor {
 public:
  TreeWalker(DatabaseManager& db, int handle, std::ostream& out, std::ostream& err)
      : db_(db), handle_(handle), out_(out), err_(err), name_(NameBufferSize + 1) {}

  // False when memory ran short.
  bool Walk() {
    if (DatabaseWriterOpen(handle_)) err_ << "hdbtool: note: " << WriterOpenNote() << "\n";
    switch (DatabaseRootBlock(handle_)) {
      case RootInFile: break;
      case NoRootYet: return true;  // a new database: nothing below
      case RootPastFileEnd:
        Problem("object 1: first block 1 is outside the file; nothing to show");
        return true;
    }
    int length = db_.ReadName(handle_, RootObjectId, name_.data(), (int)name_.size());
    if (length < 0) {
      Problem("object 1 cannot be loaded; nothing to show");
      return true;
    }
    if (!reachedBy_.Set(RootObjectId, ReachedAsRoot) || !Enter(RootObjectId)) return false;
    while (!stack_.empty()) {
      Frame& top = stack_.back();
      int child = top.Last == NotStarted ? db_.FirstChild(handle_, top.Id) : db_.NextChild(handle_, top.Id, top.Last);
      if (child == -1) {
        stack_.pop_back();
        continue;
      }
      top.Last = child;
      // A child some other table listed first was reported when its parent
      // was entered.
      if (reachedBy_.Get((uint32_t)child) != (uint32_t)top.Id + 1) continue;
      if (!PrintObject(child)) continue;
      if (stack_.size() >= MaxTreeDepth) {
        Problem("object " + std::to_string(child) + " lies deeper than " + std::to_string(MaxTreeDepth) +
                " levels; its children are not followed");
        continue;
      }
      if (!Enter(child)) return false;
    }
    if (moreReached_ > 0) Problem(MoreReachedAgain(moreReached_));
    return !outOfMemory_;
  }
  bool Damaged() const { return damaged_; }

 private:
  static const int NotStarted = -2;
  static const uint32_t ReachedAsRoot = 0xFFFFFFFFu;  // ids stop at MaxBlockNumber
  struct Frame {
    int Id;
    int Last;
  };

  // An object is reached when a table lists it, as check has it: a later
  // table listing it again reaches it a second time, whichever is shown first.
  bool Enter(int id) {
    stack_.push_back({id, NotStarted});
    entryParent_ = (uint32_t)id;
    if (VisitChildEntries(handle_, id, *this) == ChildTableUnreadable)
      Problem("object " + std::to_string(id) + ": children table cannot be read; its children are left out");
    return !outOfMemory_;
  }
  // What enumeration passes over without a word, and what it would show a
  // second time.
  void Entry(uint32_t index, uint32_t id, ChildEntryKind kind) override {
    switch (kind) {
      case ListedEntry:
        if (reachedBy_.Get(id) != 0) return ReachedAgainUnder(entryParent_, id);
        if (!reachedBy_.Set(id, entryParent_ + 1)) outOfMemory_ = true;
        return;
      case BlockZeroEntry: return Problem(EntryNamesBlockZero(entryParent_, index) + "; passed over");
      case OutsideFileEntry: return Problem(EntryOutsideFile(entryParent_, index, id) + "; passed over");
      case RepeatedEntry: return Problem(EntryRepeatsChild(entryParent_, index, id) + "; passed over");
    }
  }
  // An object is named once; later entries naming it are counted.
  void ReachedAgainUnder(uint32_t parent, uint32_t child) {
    if (reported_.Test(child)) {
      ++moreReached_;
      return;
    }
    if (!reported_.Set(child)) outOfMemory_ = true;
    Problem(ReachedAgain(parent, child) + "; not followed");
  }
  // The object's line, its data written as it is read; false when it cannot
  // be loaded.
  bool PrintObject(int id) {
    int length = db_.ReadName(handle_, id, name_.data(), (int)name_.size());
    if (length < 0) {
      Problem("object " + std::to_string(id) + " cannot be loaded; left out");
      return false;
    }
    out_ << LineStart(std::string(name_.data(), (size_t)length), stack_.size() - 1);
    char chunk[DataChunkSize];
    int n;
    bool data = false;
    while ((n = db_.ReadData(handle_, id, chunk, sizeof chunk)) > 0) {
      if (!data) out_ << DataStart;
      data = true;
      out_ << EscapeText(chunk, (size_t)n);
    }
    db_.ReleaseObject(handle_, id);
    if (data) out_ << DataEnd;
    out_ << LineEnd;
    if (n < 0) Problem("object " + std::to_string(id) + ": data cannot be read in full");
    return true;
  }
  void Problem(const std::string& line) {
    err_ << "hdbtool: " << line << "\n";
    damaged_ = true;
  }

  DatabaseManager& db_;
  int handle_;
  std::ostream& out_;
  std::ostream& err_;
  std::vector<char> name_;
  std::vector<Frame> stack_;  // at most MaxTreeDepth frames
  BlockWords reachedBy_;  // the parent (+ 1) whose table first listed each object
  BlockBits reported_;
  uint64_t moreReached_ = 0;
  uint32_t entryParent_ = 0;
  bool damaged_ = false;
  bool outOfMemory_ = false;
};

// Reads all of path ("-": standard input) if it holds at most limit bytes.
enum ReadResult { ReadDone, ReadFailed, ReadTooLarge };
ReadResult ReadAll(const char* path, size_t limit, std::string& text) {
  std::ifstream file;
  bool fromStdin = std::string(path) == "-";
  if (!fromStdin) {
    file.open(path, std::ios::binary);
    if (!file) return ReadFailed;
  }
  std::istream& in = fromStdin ? std::cin : file;
  text.clear();
  char chunk[DataChunkSize];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    if (text.size() + (size_t)in.gcount() > limit) return ReadTooLarge;
    text.append(chunk, (size_t)in.gcount());
  }
  return in.bad() ? ReadFailed : ReadDone;
}

// Check findings as hdbtool prints them: problems as they are, notes marked.
class PrintedFindings : public CheckFindings {
 public:
  explicit PrintedFindings(std::ostream& out) : out_(out) {}
  void Problem(const std::string& line) override { out_ << line << "\n"; }
  void Note(const std::string& line) override { out_ << "note: " << line << "\n"; }

 private:
  std::ostream& out_;
};

}  // namespace

int RunDump(const char* databasePath, std::ostream& out, std::ostream& err) {
  DatabaseManager db;
  OpenDatabaseHandle handle(db, databasePath, OpenReadOnly);
  if (handle.Get() < 0) {
    err << "hdbtool: cannot open database " << databasePath << "\n";
    return ExitUsage;
  }
  // Kept off the stack: the walk's page tables take some tens of kilobytes.
  std::unique_ptr<TreeWalker> walker(new (std::nothrow) TreeWalker(db, handle.Get(), out, err));
  bool finished = walker && walker->Walk();
  out.flush();
  if (!finished) {
    err << "hdbtool: not enough memory to dump " << databasePath << "\n";
    return ExitUsage;
  }
  return walker->Damaged() ? ExitProblems : ExitClean;
}

int RunCheck(const char* databasePath, std::ostream& out, std::ostream& err) {
  PrintedFindings findings(out);
  std::string error;
  int count = CheckDatabase(databasePath, findings, error);
  out.flush();
  if (count < 0) {
    err << "hdbtool: " << error << "\n";
    return ExitUsage;
  }
  return count == 0 ? ExitClean : ExitProblems;
}

int RunBuild(const char* descriptionPath, const char* outputPath, std::ostream& err) {
  std::string text;
  switch (ReadAll(descriptionPath, MaxDescriptionBytes, text)) {
    case ReadDone: break;
    case ReadFailed:
      err << "hdbtool: cannot read description " << descriptionPath << "\n";
      return ExitUsage;
    case ReadTooLarge:
      err << "hdbtool: description " << descriptionPath << " is larger than " << MaxDescriptionBytes / (1024 * 1024)
          << " MB, more than build takes\n";
      return ExitUsage;
  }
  ObjectNode root;
  std::string error;
  bool tooDeep = false;
  if (!ParseDescription(text, root, error, &tooDeep)) {
    err << "hdbtool: " << descriptionPath << ": " << error << "\n";
    return tooDeep ? ExitProblems : ExitUsage;
  }
  // Written beside the output and renamed over it only when complete, so that
  // a failed build leaves an existing file as it was.
  std::string partial = std::string(outputPath) + PartialSuffix;
  DatabaseManager db;
  OpenDatabaseHandle handle(db, partial.c_str(), OpenCreate);
  if (handle.Get() < 0) {
    err << "hdbtool: cannot create database " << partial << "\n";
    return ExitProblems;
  }
  if (WriteObjectTree(db, handle.Get(), root) != 0) {
    handle.Close();
    remove(partial.c_str());
    err << "hdbtool: writing " << outputPath << " failed (a name, table or file too large?); left as it was\n";
    return ExitProblems;
  }
  if (handle.Close() != 0) {
    remove(partial.c_str());
    err << "hdbtool: closing " << partial << " failed\n";
    return ExitProblems;
  }
  // rename() replaces an existing file on POSIX only.
  if (rename(partial.c_str(), outputPath) != 0 &&
      (remove(outputPath) != 0 || rename(partial.c_str(), outputPath) != 0)) {
    err << "hdbtool: cannot replace " << outputPath << "; the new database is " << partial << "\n";
    return ExitProblems;
  }
  return ExitClean;
}
