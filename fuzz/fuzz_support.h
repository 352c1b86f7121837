#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "random/session_files.h"
#include "support/session_checks.h"

// A broken invariant in a fuzz target: says which and aborts, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition, why)                                                    \
  do {                                                                                \
    if (!(condition)) ::vrkt::fuzz::Broken(__FILE__, __LINE__, #condition, (why));    \
  } while (0)

namespace vrkt::fuzz {

// The fuzzer's bytes read from the front, one field after the other, so that seed inputs can be
// written by hand. Reading past the end gives zeros and empty texts.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }
  std::string Take(size_t n) {
    n = std::min(n, size_ - std::min(pos_, size_));
    std::string out(reinterpret_cast<const char*>(data_) + pos_, n);
    pos_ += n;
    return out;
  }
  std::string Rest() { return Take(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The program names that pick the variants, indexed by a fuzzer byte modulo 3.
inline const char* ProgramName(uint8_t b) {
  static const char* const kNames[] = {"VRKTset", "DVG1Cset", "VRKT4Gset"};
  return kNames[b % 3];
}

[[noreturn]] void Broken(const char* file, int line, const char* condition, const std::string& why);

using testing::Quoted;

// A folder of its own for the process, made the working directory on the first call, holding the
// random sessions' files: loader lists and the scripts and files they name (demo.scr, clip.dat,
// big.scr, NOTES.TXT), and parameter files.
const testing::SessionFiles& WorkFolder();

}  // namespace vrkt::fuzz
