#include "fuzz_support.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace vrkt::fuzz {

void Broken(const char* file, int line, const char* condition, const std::string& why) {
  std::fprintf(stderr, "\n%s:%d: broken: %s\n  %s\n", file, line, condition, why.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string Shown(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c > 126) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out;
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
