#include "base/message_text.h"

namespace vrkt {

namespace {

void AppendHex(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 15]);
}

// The length of the well-formed UTF-8 sequence that starts at text[i], 0 when there is none.
size_t Utf8SequenceAt(std::string_view text, size_t i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    const unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
    if (b < min || b > max) return 0;
  }
  return n;
}

}  // namespace

std::string EscapeForUtf8Output(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || c == '\t' || (c >= 32 && c < 127)) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (size_t n = c >= 128 ? Utf8SequenceAt(text, i) : 0; n > 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      AppendHex(out, c);
      ++i;
    }
  }
  return out;
}

}  // namespace vrkt
