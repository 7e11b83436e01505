// dump, check and build.
#include "hdbtool_commands.h"

#include <stdio.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "database/database_check.h"
#include "database/database_manager.h"
#include "database/object_inspection.h"
#include "database/object_writer.h"
#include "description.h"

namespace {

// The new database is written under OUT plus this, then renamed to OUT.
const char PartialSuffix[] = ".partial";
// Names are at most 65535 bytes long.
const int NameBufferSize = 65536;
const int DataChunkSize = 4096;

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
// level). Every object is followed once; what is left out is reported on err:
// objects that cannot be read, ids that lead back to an ancestor or reach an
// object a second time, entries naming no block of the file, tables that
// cannot be read, and levels beyond MaxTreeDepth.
class TreeWalker {
 public:
  TreeWalker(DatabaseManager& db, int handle, std::ostream& out, std::ostream& err)
      : db_(db), handle_(handle), out_(out), err_(err) {}

  void Walk() {
    if (!DatabaseHasRootBlock(handle_)) return;  // a new database: nothing below
    ObjectNode root;
    if (!ReadObject(RootObjectId, root)) {
      Problem("the root object cannot be read; nothing to show");
      return;
    }
    Enter(RootObjectId);
    while (!stack_.empty()) {
      Frame& top = stack_.back();
      int child = top.Last == NotStarted ? db_.FirstChild(handle_, top.Id) : db_.NextChild(handle_, top.Id, top.Last);
      if (child == -1) {
        onPath_.erase(top.Id);
        stack_.pop_back();
        continue;
      }
      int parent = top.Id;
      top.Last = child;
      if (onPath_.count(child)) {
        Problem("object " + std::to_string(child) + " under " + std::to_string(parent) +
                " leads back to itself; not followed");
        continue;
      }
      if (visited_.count(child)) {
        Problem("object " + std::to_string(child) + " under " + std::to_string(parent) +
                " was reached before (a shared child); not followed");
        continue;
      }
      ObjectNode node;
      if (!ReadObject(child, node)) continue;
      out_ << FormatLine(node.Name, node.Data, stack_.size() - 1);
      if (stack_.size() >= MaxTreeDepth) {
        Problem("object " + std::to_string(child) + " lies deeper than " + std::to_string(MaxTreeDepth) +
                " levels; its children are not followed");
        continue;
      }
      Enter(child);
    }
  }
  bool Damaged() const { return damaged_; }

 private:
  static const int NotStarted = -2;
  struct Frame {
    int Id;
    int Last;
  };

  void Enter(int id) {
    visited_.insert(id);
    onPath_.insert(id);
    stack_.push_back({id, NotStarted});
    ReportSkippedEntries(id);
  }
  // What enumeration passes over without a word.
  void ReportSkippedEntries(int id) {
    std::vector<ChildEntry> entries;
    if (ReadChildEntries(handle_, id, entries) == ChildTableUnreadable) {
      Problem("object " + std::to_string(id) + ": children table cannot be read; its children are left out");
      return;
    }
    for (size_t i = 0; i < entries.size(); ++i)
      if (!entries[i].InFile)
        Problem("object " + std::to_string(id) + ": entry " + std::to_string(i) + " names object " +
                std::to_string(entries[i].Id) + ", outside the file; passed over");
  }
  bool ReadObject(int id, ObjectNode& node) {
    std::vector<char> name(NameBufferSize + 1);
    int length = db_.ReadName(handle_, id, name.data(), (int)name.size());
    if (length < 0) {
      Problem("object " + std::to_string(id) + " cannot be loaded; left out");
      return false;
    }
    node.Name.assign(name.data(), (size_t)length);
    char chunk[DataChunkSize];
    int n;
    while ((n = db_.ReadData(handle_, id, chunk, sizeof chunk)) > 0) node.Data.append(chunk, (size_t)n);
    db_.ReleaseObject(handle_, id);
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
  std::vector<Frame> stack_;
  std::set<int> onPath_;
  std::set<int> visited_;
  bool damaged_ = false;
};

bool ReadAll(const char* path, std::string& text) {
  if (std::string(path) == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int RunDump(const char* databasePath, std::ostream& out, std::ostream& err) {
  DatabaseManager db;
  OpenDatabaseHandle handle(db, databasePath, OpenReadOnly);
  if (handle.Get() < 0) {
    err << "hdbtool: cannot open database " << databasePath << "\n";
    return ExitUsage;
  }
  TreeWalker walker(db, handle.Get(), out, err);
  walker.Walk();
  out.flush();
  return walker.Damaged() ? ExitProblems : ExitClean;
}

int RunCheck(const char* databasePath, std::ostream& out, std::ostream& err) {
  std::vector<std::string> problems;
  int count = CheckDatabase(databasePath, problems);
  if (count < 0) {
    err << "hdbtool: " << (problems.empty() ? std::string("cannot read ") + databasePath : problems.back()) << "\n";
    return ExitUsage;
  }
  for (const std::string& line : problems) out << line << "\n";
  out.flush();
  return count == 0 ? ExitClean : ExitProblems;
}

int RunBuild(const char* descriptionPath, const char* outputPath, std::ostream& err) {
  std::string text;
  if (!ReadAll(descriptionPath, text)) {
    err << "hdbtool: cannot read description " << descriptionPath << "\n";
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
