#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vrkt {

// Case folding for phone book names in the user's code page. Names are 8-bit text; a byte is
// folded by taking it to Unicode through the active code page, lowering it there and taking it
// back, so that the code page's own letters ("Č"/"č" in 1250, "Ä"/"ä" in 1252) compare equal
// without regard to case, not only ASCII. A letter whose lower case the code page lacks stays
// as it is.
class NameFolder {
 public:
  // Built for the code page active at the time of the call.
  NameFolder();
  explicit NameFolder(int code_page);

  int code_page() const { return code_page_; }
  char Fold(char c) const { return static_cast<char>(table_[static_cast<unsigned char>(c)]); }
  std::string Fold(std::string_view s) const;
  // Whole-text comparison without regard to case; nothing is trimmed.
  bool Equal(std::string_view a, std::string_view b) const;

 private:
  int code_page_;
  std::array<unsigned char, 256> table_{};
};

// The folder for the active code page, rebuilt only when the code page changes.
const NameFolder& ActiveNameFolder();

// Simple (one to one) lower case of a Unicode code point, for the scripts the Windows 8-bit code
// pages carry: Latin, Greek and Cyrillic. Anything else is returned unchanged.
char32_t SimpleLowerCase(char32_t c);

}  // namespace vrkt
