// dump, check and build.
#include "hdbtool_commands.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "database/database_check.h"
#include "database/database_manager.h"
#include "database/object_writer.h"
#include "description.h"

namespace {

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

// Reads the tree below id through the engine's public interface, as the
// scheduler would. Objects that cannot be read, and ids that would lead back
// to an ancestor, are reported on err and left out.
class TreeReader {
 public:
  TreeReader(DatabaseManager& db, int handle, std::ostream& err) : db_(db), handle_(handle), err_(err) {}

  void ReadChildren(int parent, ObjectNode& node) {
    ancestors_.insert(parent);
    for (int id = db_.FirstChild(handle_, parent); id != -1; id = db_.NextChild(handle_, parent, id)) {
      if (ancestors_.count(id)) {
        Problem("object " + std::to_string(id) + " under " + std::to_string(parent) + " leads back to itself; not followed");
        continue;
      }
      ObjectNode child;
      if (!ReadObject(id, child)) continue;
      ReadChildren(id, child);
      node.Children.push_back(std::move(child));
    }
    ancestors_.erase(parent);
  }
  bool Damaged() const { return damaged_; }

 private:
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
  std::ostream& err_;
  std::set<int> ancestors_;
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
  ObjectNode root;
  TreeReader reader(db, handle.Get(), err);
  reader.ReadChildren(RootObjectId, root);
  out << FormatDescription(root);
  out.flush();
  return reader.Damaged() ? ExitProblems : ExitClean;
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
  if (!ParseDescription(text, root, error)) {
    err << "hdbtool: " << descriptionPath << ": " << error << "\n";
    return ExitUsage;
  }
  DatabaseManager db;
  OpenDatabaseHandle handle(db, outputPath, OpenCreate);
  if (handle.Get() < 0) {
    err << "hdbtool: cannot create database " << outputPath << "\n";
    return ExitProblems;
  }
  if (WriteObjectTree(db, handle.Get(), root) != 0) {
    err << "hdbtool: writing " << outputPath << " failed (a name, table or file too large?)\n";
    return ExitProblems;
  }
  if (handle.Close() != 0) {
    err << "hdbtool: closing " << outputPath << " failed\n";
    return ExitProblems;
  }
  return ExitClean;
}
