// The code-page conversion: any bytes of any supported code page go to UTF-8 and back unchanged;
// any text typed in UTF-8 becomes 8-bit text that then round-trips; case folding of names is
// stable; any locale name picks a supported code page.
//
// Input: code page byte, then the bytes.
#include <cstdint>
#include <string>

#include "base/codepage.h"
#include "fuzz_support.h"
#include "phonebook/name_fold.h"

namespace {

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  Input in(data, size);
  const int code_page = 1250 + in.Byte() % 9;
  const std::string bytes = in.Rest();
  FUZZ_CHECK(IsSupportedCodePage(code_page), std::to_string(code_page));

  const std::string utf8 = CodePageToUtf8(bytes, code_page);
  FUZZ_CHECK(ValidUtf8(utf8), "not UTF-8: " + Quoted(utf8));
  FUZZ_CHECK(Utf8ToCodePage(utf8, code_page) == bytes,
             "code page " + std::to_string(code_page) + " does not give back " + Quoted(bytes));

  const std::string typed = Utf8ToCodePage(bytes, code_page);
  FUZZ_CHECK(Utf8ToCodePage(CodePageToUtf8(typed, code_page), code_page) == typed,
             "typed text does not round-trip: " + Quoted(bytes));

  const NameFolder folder(code_page);
  const std::string folded = folder.Fold(bytes);
  FUZZ_CHECK(folder.Fold(folded) == folded, "folding twice differs: " + Quoted(bytes));
  FUZZ_CHECK(folder.Equal(bytes, folded) && folder.Equal(folded, bytes),
             "a name does not equal its own folding: " + Quoted(bytes));

  FUZZ_CHECK(IsSupportedCodePage(CodePageForLocale(bytes)), "locale " + Quoted(bytes));
  return 0;
}
