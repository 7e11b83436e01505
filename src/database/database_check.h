// Consistency check of a database file, read block by block through the file
// layer but not through the engine, so that it sees what the engine would
// refuse: the header against the file's size, the object tree from the root
// (chains against their lengths, loops, links out of the file, blocks claimed
// by two streams, children-table entries, name hashes and object headers) and
// the free-block stream (its entries against the file and the tree).
//
// The check takes time linear in the file's size: every object is looked at
// once, a chain is followed only as far as its stream's length and only
// through blocks no other stream has claimed (running into one is reported,
// once per block), and a name is hashed as its bytes pass by. Memory is a few
// megabytes of read runs plus a word or two per block the check reaches.
#pragma once
#include <string>
#include <vector>

// Where findings go as they are made.
class CheckFindings {
 public:
  virtual ~CheckFindings() {}
  // Damage: the file is not as the engine writes it.
  virtual void Problem(const std::string& line) = 0;
  // Worth knowing, not damage (see WriterOpenNote in damage_text.h).
  virtual void Note(const std::string& line) = 0;
};

// Returns the number of problems, or -1 when the file cannot be checked (it
// cannot be opened or read, or memory ran short); error then says why.
int CheckDatabase(const char* path, CheckFindings& findings, std::string& error);
// The same, with the lines collected; on -1 problems ends with the reason.
int CheckDatabase(const char* path, std::vector<std::string>& problems, std::vector<std::string>* notes = nullptr);
