#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrkt {

// A Windows-style profile (ini) file of sections and key=value lines, kept in memory between
// Load and Commit. Section and key names match without regard to case; every line that is not
// written stays as it is.
class ProfileFile {
 public:
  explicit ProfileFile(std::string path);
  const std::string& path() const { return path_; }

  // Reads the file; a missing or unreadable file leaves the profile empty.
  void Load();
  // The value with blanks around it and one pair of enclosing quotation marks removed, cut to
  // 2047 characters; `def` when the section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Decimal, or hexadecimal after "0x"/"0X" (values longer than two characters); `def` when the
  // value is not a number.
  int64_t ReadInteger(const std::string& section, const std::string& key, int64_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Replaces the key's value where it stands, or adds the key at the end of its section, adding
  // the section at the end of the file when needed. Takes effect in memory; Commit writes.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int64_t value);

  // Writes the file in one step (a new file replaces the old one). Throws AppError
  // "Unable to write to <path>" on failure; the old file is then left intact.
  void Commit();

  std::string Bytes() const;

 private:
  std::string path_;
  std::vector<std::string> lines_;
  std::string eol_ = "\r\n";
  bool final_eol_ = true;
};

}  // namespace vrkt
