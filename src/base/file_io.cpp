#include "base/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "base/error.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
}  // namespace

std::string FormatMessage(const std::string& format, const std::string& a, const std::string& b) {
  std::string out;
  int n = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
      out += n == 0 ? a : b;
      ++n;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

std::string LastSystemError() {
  int e = errno;
  return e ? std::string(std::strerror(e)) : std::string("Unknown error");
}

std::string ReadFileBytes(const std::string& path, const std::string& message_format) {
  std::error_code ec;
  fs::path p = PathOf(path);
  if (fs::is_directory(p, ec))
    throw AppError(FormatMessage(message_format, path, "Is a directory."));
  errno = 0;
  std::ifstream in(p, std::ios::binary);
  if (!in) throw AppError(FormatMessage(message_format, path, LastSystemError() + "."));
  std::string data;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size > 0) {
    data.resize(static_cast<size_t>(size));
    in.seekg(0, std::ios::beg);
    in.read(data.data(), size);
    data.resize(static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw AppError(FormatMessage(message_format, path, "Read error."));
  return data;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string& message_format) {
  fs::path target = PathOf(path);
  fs::path dir = target.parent_path();
  std::random_device rd;
  fs::path temp = target;
  temp += ".tmp" + std::to_string(rd() % 1000000);
  (void)dir;
  {
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw AppError(FormatMessage(message_format, path, LastSystemError() + "."));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::string why = LastSystemError();
      out.close();
      std::error_code ignore;
      fs::remove(temp, ignore);
      throw AppError(FormatMessage(message_format, path, why + "."));
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignore;
    fs::remove(temp, ignore);
    throw AppError(FormatMessage(message_format, path, ec.message() + "."));
  }
}

}  // namespace vrkt
