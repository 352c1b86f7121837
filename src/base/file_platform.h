#pragma once

#include <filesystem>
#include <string>

namespace vrkt {

// The file operations that differ between Windows and the rest (file_platform.cpp).

// Puts `replacement` in place of `target` in one step, so that a reader sees either the old file
// or the new one, never a mix. `target` need not exist. Where `target` exists, the file that takes
// its place keeps its attributes (the caller copies the permission bits beforehand where the
// system has them). Returns an empty text, or the system's reason for the failure.
std::string MoveFileOver(const std::filesystem::path& replacement,
                         const std::filesystem::path& target);

}  // namespace vrkt
