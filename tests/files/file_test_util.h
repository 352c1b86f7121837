#pragma once

// Makes writes fail as on a full disk, for the file tests.

#include <cstddef>

#include "support/temp_dir.h"

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>
#include <sys/resource.h>
#define VRKT_TEST_HAS_FSIZE_LIMIT 1
#endif

namespace vrkt::testing {

inline bool CanLimitFileSize() {
#ifdef VRKT_TEST_HAS_FSIZE_LIMIT
  return true;
#else
  return false;
#endif
}

// While alive, a write that would make a file larger than `bytes` fails (as on a full disk).
class FileSizeLimit {
 public:
  explicit FileSizeLimit([[maybe_unused]] size_t bytes) {
#ifdef VRKT_TEST_HAS_FSIZE_LIMIT
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
  }
  ~FileSizeLimit() {
#ifdef VRKT_TEST_HAS_FSIZE_LIMIT
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
#endif
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
#ifdef VRKT_TEST_HAS_FSIZE_LIMIT
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
#endif
};

}  // namespace vrkt::testing
