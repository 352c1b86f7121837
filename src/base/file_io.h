#pragma once

#include <string>

namespace vrkt {

// Whole-file reads and writes for the program's own files. Paths are UTF-8.

// Reads the whole file as bytes; throws AppError with `message_format`'s "%s" parts replaced by
// the path and the system's reason, e.g. "Cannot open file \"%s\". %s".
std::string ReadFileBytes(const std::string& path, const std::string& message_format);

// Writes the bytes to a new file beside the target and then replaces the target with it in one
// step, so that a failed write (disk full, folder gone) never leaves a truncated or half-written
// file behind. Throws AppError built from `message_format` as above.
void WriteFileAtomically(const std::string& path, const std::string& bytes,
                         const std::string& message_format);

// Replaces the first "%s" by `a` and the second by `b`.
std::string FormatMessage(const std::string& format, const std::string& a, const std::string& b = {});

// The system's text for the last failed file operation.
std::string LastSystemError();

}  // namespace vrkt
