#include "fuzz_support.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace vrkt::fuzz {

void Broken(const char* file, int line, const char* condition, const std::string& why) {
  std::fprintf(stderr, "\n%s:%d: broken: %s\n  %s\n", file, line, condition, why.c_str());
  std::fflush(stderr);
  std::abort();
}

const testing::SessionFiles& WorkFolder() {
  static testing::TempDir dir;
  static const testing::SessionFiles files = [] {
    testing::SessionFiles f = testing::PrepareSessionFiles(dir, 0);
    std::filesystem::current_path(dir.str());
    return f;
  }();
  return files;
}

}  // namespace vrkt::fuzz
