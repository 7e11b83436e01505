// Replays the fuzz corpus and every input the fuzzer ever crashed on: each must
// be walked to the end without fault, alike from the file and from a snapshot.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../../fuzz/tree_walk.h"

#ifdef TW_FUZZ_INPUTS_DIR
TEST(FuzzRegression, KeptInputsAreWalkedSafely) {
  int files = 0;
  for (const char* sub : {"corpus", "regressions"}) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::path(TW_FUZZ_INPUTS_DIR) / sub;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      std::string path = entry.path().string();
      EXPECT_TRUE(WalkDatabase(path.c_str())) << path;
    }
  }
  EXPECT_GT(files, 0);
}
#endif
