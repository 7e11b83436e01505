// Consistency check of a database file, read raw (not through the engine, so
// it sees what the engine would refuse): the header, every chain reachable from
// the free-block stream and the object tree against its length, cycles, blocks
// claimed by two streams, children-table hashes and object headers.
#pragma once
#include <string>
#include <vector>

// Appends one line per problem to problems. Returns the number of problems, or
// -1 when the file cannot be read at all (problems then holds the reason).
int CheckDatabase(const char* path, std::vector<std::string>& problems);
