#include "phonebook/name_fold.h"

#include <memory>

#include "base/codepage.h"

namespace vrkt {

namespace {

// Decodes the first UTF-8 sequence of `s`; 0xFFFD for anything malformed.
char32_t FirstCodePoint(std::string_view s) {
  if (s.empty()) return 0xFFFD;
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char c = b(0);
  if (c < 0x80) return c;
  size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || s.size() < len) return 0xFFFD;
  char32_t cp = c & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  return cp;
}

std::string EncodeUtf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

}  // namespace

char32_t SimpleLowerCase(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;  // Latin-1 letters, not the multiplication sign
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A: mostly pairs, upper case first; the runs differ in which parity is upper.
    if (c == 0x130) return U'i';
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : c + 1;
  }
  if (c == 0x1A0 || c == 0x1AF) return c + 1;  // Vietnamese horned O and U
  // Greek.
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  // Cyrillic.
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c == 0x490) return 0x491;
  return c;
}

NameFolder::NameFolder() : NameFolder(ActiveCodePage()) {}

NameFolder::NameFolder(int code_page) : code_page_(code_page) {
  // The conversions follow the active code page; borrow it for the build and put it back.
  int active = ActiveCodePage();
  if (active != code_page) SetActiveCodePage(code_page);
  for (int i = 0; i < 256; ++i) {
    unsigned char byte = static_cast<unsigned char>(i);
    table_[i] = byte;
    if (byte < 0x80) {
      if (byte >= 'A' && byte <= 'Z') table_[i] = static_cast<unsigned char>(byte + 0x20);
      continue;
    }
    char32_t cp = FirstCodePoint(CodePageToUtf8(std::string(1, static_cast<char>(byte))));
    char32_t lower = SimpleLowerCase(cp);
    if (lower == cp) continue;
    std::string back = Utf8ToCodePage(EncodeUtf8(lower));
    // Only a lower case that the code page really holds (and that maps back to it) is used.
    if (back.size() != 1) continue;
    if (FirstCodePoint(CodePageToUtf8(back)) != lower) continue;
    table_[i] = static_cast<unsigned char>(back[0]);
  }
  if (active != code_page) SetActiveCodePage(active);
}

std::string NameFolder::Fold(std::string_view s) const {
  std::string out(s);
  for (char& c : out) c = Fold(c);
  return out;
}

bool NameFolder::Equal(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

const NameFolder& ActiveNameFolder() {
  // One thread runs the program; each thread keeps its own copy so tests may run side by side.
  thread_local std::unique_ptr<NameFolder> folder;
  int cp = ActiveCodePage();
  if (!folder || folder->code_page() != cp) folder = std::make_unique<NameFolder>(cp);
  return *folder;
}

}  // namespace vrkt
