#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrkt {

// A Windows-style profile (ini) file of sections and key=value lines, kept in memory between
// Load and Commit. Section and key names match without regard to case; every line that is not
// written stays as it is, byte for byte, with its own line end.
class ProfileFile {
 public:
  // Longest value a read returns, in bytes.
  static constexpr size_t kMaxValue = 2047;

  explicit ProfileFile(std::string path);
  const std::string& path() const { return path_; }

  // Reads the file; a missing or unreadable file leaves the profile empty. A file that exists
  // but cannot be read is never replaced by Commit (it would lose what the file holds).
  void Load();
  // Takes the file's bytes as they stand (Load without the file).
  void Parse(std::string_view bytes);
  // The value with blanks around it and one pair of enclosing quotation marks removed, cut to
  // 2047 characters; `def` when the section or key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // Decimal, or hexadecimal after "0x"/"0X" (values longer than two characters); `def` when the
  // value is not a number or does not fit a 32-bit integer.
  int64_t ReadInteger(const std::string& section, const std::string& key, int64_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Replaces the key's value where it stands, or adds the key at the end of its section, adding
  // the section at the end of the file when needed. Takes effect in memory; Commit writes.
  // A line that already reads as `value` is left as it is.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int64_t value);

  // A file or folder name, in UTF-8 as file names are. A UTF-8 file holds it as it is, any other
  // file in the active code page; WritePath writes nothing and returns false for a name that
  // code page cannot hold.
  std::string ReadPath(const std::string& section, const std::string& key) const;
  bool WritePath(const std::string& section, const std::string& key, const std::string& utf8);

  // Writes the file in one step (a new file replaces the old one). Throws AppError
  // "Unable to write to <path>" on failure; the old file is then left intact.
  void Commit();

  std::string Bytes() const;
  // A file with a UTF-8 byte-order mark, or one whose bytes are well-formed UTF-8 with letters
  // beyond ASCII, holds UTF-8: reads give its values in the active code page, writes store
  // UTF-8 again. Any other file holds code-page text, read and written as it is.
  bool utf8() const { return utf8_; }

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", or for the last line "\r" or "" (none)
  };
  // Where a key stands: the line, and the offset of the '=' in it.
  struct KeyLine {
    size_t line;
    size_t eq;
  };
  // The first line of the first section of that name, or npos.
  size_t FindSection(std::string_view section) const;
  // The key's line within the section starting at `header`, if any.
  bool FindKey(size_t header, std::string_view key, KeyLine* found) const;
  // The line after the section's last line that is not blank (where a new key goes).
  size_t SectionInsertPoint(size_t header) const;
  bool FindValue(std::string_view section, std::string_view key, std::string* value) const;
  // WriteString of a value already in the file's own encoding.
  void WriteRaw(const std::string& section, const std::string& key, const std::string& value);
  // Gives the last line a line end before a line is added after it.
  void EndLastLine();

  std::string path_;
  std::vector<Line> lines_;
  std::string eol_ = "\r\n";
  bool unreadable_ = false;
  bool utf8_ = false;
};

}  // namespace vrkt
