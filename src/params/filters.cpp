#include "params/filters.h"

#include "base/text.h"

namespace vrkt {

namespace {

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kDialChars = "0123456789+*#";
constexpr size_t kDialMax = 20;

std::string TrimAndCut(std::string_view text, std::string_view allowed) {
  std::string t = TrimControls(text);
  size_t bad = t.find_first_not_of(allowed);
  if (bad != std::string::npos) t.resize(bad);
  return t;
}

}  // namespace

std::string PadOrTail(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text.substr(text.size() - width));
  return std::string(width - text.size(), '0') + std::string(text);
}

std::string FilterDialString(std::string_view text) {
  std::string t = TrimAndCut(text, kDialChars);
  if (t.size() > kDialMax) t.resize(kDialMax);
  return t;
}

std::string FilterRelayTime(std::string_view text) {
  std::string t = PadOrTail(TrimAndCut(text, kDigits), 2);
  // The relay needs at least one second; "00" would leave it without a switching time.
  return t == "00" ? "01" : t;
}

std::string FilterVoltWhole(std::string_view text) {
  std::string t = TrimAndCut(text, kDigits);
  return t.empty() ? t : PadOrTail(t, 2);
}

std::string FilterVoltTenth(std::string_view text) {
  std::string t = TrimAndCut(text, kDigits);
  return t.empty() ? "0" : t.substr(t.size() - 1);
}

}  // namespace vrkt
