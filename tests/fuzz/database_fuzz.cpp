// libFuzzer target: every input is written to a file and read as a database,
// by a reader of the file and from a snapshot, which must read the same.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "tree_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/twdb-fuzz-" + std::to_string(getpid()) + ".hdb";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  if (!WalkDatabase(path.c_str())) __builtin_trap();
  return 0;
}
