#pragma once

// Small file helpers for the file tests: a private temporary folder, whole-file reads and writes,
// and a way to make writes fail as on a full disk.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>
#include <sys/resource.h>
#define VRKT_TEST_HAS_FSIZE_LIMIT 1
#endif

namespace vrkt::testing {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("vrkt-files-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  size_t FileCount() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

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
