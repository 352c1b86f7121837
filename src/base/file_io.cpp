#include "base/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "base/error.h"
#include "base/file_platform.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {
// A name beside `p` that no other file has yet.
fs::path TemporaryNameBeside(const fs::path& p) {
  std::random_device rd;
  fs::path temp = p;
  temp += ".tmp" + std::to_string(rd() % 1000000);
  return temp;
}

// Where a write to `p` lands: a symbolic link is followed to its target, a chain of them to its
// end, so that replacing the file leaves the links as they are.
fs::path FollowLinks(fs::path p, std::error_code& ec) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code not_a_link;
    if (!fs::is_symlink(p, not_a_link)) return p;
    fs::path next = fs::read_symlink(p, ec);
    if (ec) return p;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
  return p;
}

// Whether the user may change the existing file `p`. Both tests are needed: the permission bits
// catch a read-only file for an administrator (who may open anything), opening it catches a file
// of another user and, on Windows, files the bits do not describe.
bool MayWriteTo(const fs::path& p) {
  std::error_code ec;
  fs::perms perms = fs::status(p, ec).permissions();
  constexpr fs::perms kAnyWrite =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (!ec && (perms & kAnyWrite) == fs::perms::none) return false;
  // Opening a pipe or a device for writing could wait for a reader; only files are probed.
  if (!fs::is_regular_file(p, ec)) return true;
  std::ofstream probe(p, std::ios::binary | std::ios::app);
  return static_cast<bool>(probe);
}

std::string DenialReason() {
  return std::make_error_code(std::errc::permission_denied).message() + ".";
}
}  // namespace

std::filesystem::path PathOfUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8OfPath(const std::filesystem::path& path) {
  std::u8string u = path.u8string();
  return std::string(u.begin(), u.end());
}

std::string DisplayPath(const std::string& path) {
  fs::path p = PathOfUtf8(path);
  p.make_preferred();
  return Utf8OfPath(p);
}

bool CanCreateFilesIn(const std::string& folder) {
  fs::path probe = TemporaryNameBeside(PathOfUtf8(folder) / ".vrkt-write-test");
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    if (!out) return false;
  }
  std::error_code ignore;
  fs::remove(probe, ignore);
  return true;
}

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
  fs::path p = PathOfUtf8(path);
  const std::string shown = DisplayPath(path);
  if (fs::is_directory(p, ec))
    throw AppError(FormatMessage(message_format, shown, "Is a directory."));
  errno = 0;
  std::ifstream in(p, std::ios::binary);
  if (!in) throw AppError(FormatMessage(message_format, shown, LastSystemError() + "."));
  std::string data;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size > 0) {
    data.resize(static_cast<size_t>(size));
    in.seekg(0, std::ios::beg);
    in.read(data.data(), size);
    data.resize(static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw AppError(FormatMessage(message_format, shown, "Read error."));
  return data;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string& message_format) {
  const std::string shown = DisplayPath(path);
  auto fail = [&](const std::string& why) {
    return AppError(FormatMessage(message_format, shown, why));
  };
  std::error_code ec;
  fs::path target = FollowLinks(PathOfUtf8(path), ec);
  if (ec) throw fail(ec.message() + ".");
  const bool replacing = fs::exists(target, ec);
  if (replacing && fs::is_directory(target, ec)) throw fail("Is a directory.");
  if (replacing && !MayWriteTo(target)) throw fail(DenialReason());

  fs::path temp = TemporaryNameBeside(target);
  {
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw fail(LastSystemError() + ".");
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Some file systems report a full disk only when the file is closed.
    out.close();
    if (!out) {
      std::string why = LastSystemError();
      std::error_code ignore;
      fs::remove(temp, ignore);
      throw fail(why + ".");
    }
  }
  if (replacing) {
    // A new file gets the default permissions; the user chose the old file's (private, shared
    // with a group), and a replacement must not quietly change them.
    std::error_code perms_ec;
    fs::perms perms = fs::status(target, perms_ec).permissions();
    if (!perms_ec) fs::permissions(temp, perms, fs::perm_options::replace, perms_ec);
  }
  std::string why = MoveFileOver(temp, target);
  if (!why.empty()) {
    std::error_code ignore;
    fs::remove(temp, ignore);
    throw fail(why + ".");
  }
}

}  // namespace vrkt
