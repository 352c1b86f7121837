#include "base/codepage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "base/codepage_tables.h"

namespace vrkt {

namespace {

constexpr int kFallbackCodePage = 1252;
int g_code_page = 0;  // 0: not chosen yet, ask the system on first use

const codepage_tables::Table* TableFor(int code_page) {
  for (const auto& t : codepage_tables::kTables)
    if (t.code_page == code_page) return &t;
  return nullptr;
}

const codepage_tables::Table& TableOrFallback(int code_page) {
  const codepage_tables::Table* t = TableFor(code_page);
  return t ? *t : *TableFor(kFallbackCodePage);
}

void AppendUtf8(std::string& out, uint32_t cp) {
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
}

// Decodes one UTF-8 sequence at `i` and advances past it; malformed input (stray continuation
// bytes, overlong forms, surrogates, truncated sequences) yields UINT32_MAX and skips one byte.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra;
  uint32_t cp;
  uint32_t min;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07, min = 0x10000;
  } else {
    ++i;
    return UINT32_MAX;
  }
  if (i + extra >= s.size()) {
    ++i;
    return UINT32_MAX;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = byte(i + k);
    if ((d & 0xC0) != 0x80) {
      ++i;
      return UINT32_MAX;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return UINT32_MAX;
  }
  i += extra + 1;
  return cp;
}

}  // namespace

bool IsSupportedCodePage(int code_page) { return TableFor(code_page) != nullptr; }

int ActiveCodePage() {
  if (g_code_page == 0) SetActiveCodePage(SystemCodePage());
  return g_code_page;
}

void SetActiveCodePage(int code_page) {
  g_code_page = IsSupportedCodePage(code_page) ? code_page : kFallbackCodePage;
}

int CodePageForLocale(std::string_view locale_name) {
  // "ll_CC.charset@modifier": the language decides, the modifier picks the script where a
  // language is written in two.
  size_t end = locale_name.find_first_of("_-.@");
  std::string lang(locale_name.substr(0, end));
  for (char& c : lang) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string rest(end == std::string_view::npos ? std::string_view{} : locale_name.substr(end));
  for (char& c : rest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool latin =
      rest.find("latn") != std::string::npos || rest.find("@latin") != std::string::npos;
  const bool cyrillic =
      rest.find("cyrl") != std::string::npos || rest.find("@cyrillic") != std::string::npos;

  struct Entry {
    const char* lang;
    int code_page;
  };
  static constexpr Entry kLanguages[] = {
      {"cs", 1250}, {"sk", 1250}, {"pl", 1250}, {"hu", 1250}, {"sl", 1250}, {"hr", 1250},
      {"ro", 1250}, {"sq", 1250}, {"ru", 1251}, {"uk", 1251}, {"bg", 1251}, {"be", 1251},
      {"mk", 1251}, {"kk", 1251}, {"ky", 1251}, {"tt", 1251}, {"mn", 1251}, {"tg", 1251},
      {"el", 1253}, {"tr", 1254}, {"he", 1255}, {"iw", 1255}, {"yi", 1255}, {"ar", 1256},
      {"fa", 1256}, {"ur", 1256}, {"lt", 1257}, {"lv", 1257}, {"et", 1257}, {"vi", 1258},
  };
  // Languages written in Latin or Cyrillic letters: the script, or the usual one, decides.
  if (lang == "sr") return latin ? 1250 : 1251;
  if (lang == "bs") return cyrillic ? 1251 : 1250;
  if (lang == "az" || lang == "uz") return cyrillic ? 1251 : 1254;
  for (const Entry& e : kLanguages)
    if (lang == e.lang) return e.code_page;
  return kFallbackCodePage;
}

std::string CodePageToUtf8(std::string_view bytes) {
  return CodePageToUtf8(bytes, ActiveCodePage());
}

std::string CodePageToUtf8(std::string_view bytes, int code_page) {
  const auto& table = TableOrFallback(code_page);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (unsigned char c : bytes) AppendUtf8(out, c < 0x80 ? c : table.upper[c - 0x80]);
  return out;
}

std::string Utf8ToCodePage(std::string_view utf8) { return Utf8ToCodePage(utf8, ActiveCodePage()); }

std::string Utf8ToCodePage(std::string_view utf8, int code_page) {
  return Utf8ToCodePageChecked(utf8, code_page).bytes;
}

CheckedCodePageText Utf8ToCodePageChecked(std::string_view utf8, int code_page) {
  const auto& table = TableOrFallback(code_page);
  CheckedCodePageText out;
  out.bytes.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint32_t cp = NextCodePoint(utf8, i);
    int b = -1;
    if (cp < 0x80) {
      b = static_cast<int>(cp);
    } else if (cp != UINT32_MAX) {
      for (int k = 0; k < 128; ++k) {
        if (table.upper[k] == cp) {
          b = 0x80 + k;
          break;
        }
      }
    }
    if (b >= 0) {
      out.bytes.push_back(static_cast<char>(b));
      continue;
    }
    out.bytes.push_back('?');
    const char32_t missing = cp == UINT32_MAX ? U'\uFFFD' : static_cast<char32_t>(cp);
    if (std::find(out.missing.begin(), out.missing.end(), missing) == out.missing.end())
      out.missing.push_back(missing);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size())
    if (NextCodePoint(text, i) == UINT32_MAX) return false;
  return true;
}

std::string Utf8Of(char32_t code_point) {
  std::string out;
  AppendUtf8(out, code_point);
  return out;
}

}  // namespace vrkt
