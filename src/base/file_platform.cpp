// Replacing a file in one step: the one platform-specific piece of file writing.

#include "base/file_platform.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vrkt {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

// The system's text for a Win32 error code, without its line end and final full stop (callers
// add their own punctuation).
std::string Win32ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n > 0 && buffer) {
    int size = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), nullptr, 0, nullptr,
                                   nullptr);
    text.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(n), text.data(), size, nullptr,
                        nullptr);
  }
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '.'))
    text.pop_back();
  return text.empty() ? "Windows error " + std::to_string(code) : text;
}

}  // namespace

std::string MoveFileOver(const fs::path& replacement, const fs::path& target) {
  // ReplaceFileW keeps the replaced file's attributes, security settings and creation time, which
  // a plain move would drop.
  if (ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr))
    return {};
  DWORD code = GetLastError();
  // A missing target (first write, or removed meanwhile) is a plain move. After the two "unable
  // to move" failures the new file still sits under its temporary name and the target may
  // already be gone, so the move is what puts the new content in place.
  if (code != ERROR_FILE_NOT_FOUND && code != ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
      code != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
    return Win32ErrorText(code);
  if (MoveFileExW(replacement.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return Win32ErrorText(GetLastError());
}

#else

std::string MoveFileOver(const fs::path& replacement, const fs::path& target) {
  std::error_code ec;
  fs::rename(replacement, target, ec);
  return ec ? ec.message() : std::string();
}

#endif

}  // namespace vrkt
