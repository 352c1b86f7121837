#pragma once

#include <filesystem>
#include <string>

namespace vrkt {

// Whole-file reads and writes for the program's own files. Paths are UTF-8.

// A UTF-8 path as the file system takes it, and back.
std::filesystem::path PathOfUtf8(const std::string& utf8);
std::string Utf8OfPath(const std::filesystem::path& path);

// Reads the whole file as bytes; throws AppError with `message_format`'s "%s" parts replaced by
// the path and the system's reason, e.g. "Cannot open file \"%s\". %s".
std::string ReadFileBytes(const std::string& path, const std::string& message_format);

// Writes the bytes to a new file beside the target and then replaces the target with it in one
// step, so that a failed write (disk full, folder gone) never leaves a truncated or half-written
// file behind. Throws AppError built from `message_format` as above.
// The replacement behaves as writing into the file would: a file the user may not write to
// (read-only) is refused and left as it is, the new file keeps the old one's permissions, and a
// symbolic link stays a link while the file it points to gets the new content.
void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string& message_format);

// The path as the user should see it in a message: with the platform's separators, whichever
// the path was built or picked with ("C:\data\unit.vrk" on Windows).
std::string DisplayPath(const std::string& path);

// Whether a new file can be created in `folder`. Tried rather than read from permission bits,
// which tell nothing about access lists, read-only mounts or an administrator's rights.
bool CanCreateFilesIn(const std::string& folder);

// Replaces the first "%s" by `a` and the second by `b`.
std::string FormatMessage(const std::string& format, const std::string& a,
                          const std::string& b = {});

// The system's text for the last failed file operation.
std::string LastSystemError();

}  // namespace vrkt
