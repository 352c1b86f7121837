#include "link/final_result.h"

#include "base/text.h"

namespace vrkt {

bool IsFinalResult(std::string_view line) {
  return line == "OK" || line == "ERROR" || StartsWith(line, "+CME ERROR:") ||
         StartsWith(line, "+CMS ERROR:");
}

std::string WithoutHighBytes(std::string_view line) {
  std::string out;
  for (char c : line)
    if (static_cast<unsigned char>(c) < 128) out.push_back(c);
  return out;
}

LineKind ClassifyLine(std::string_view line, std::string_view last_sent) {
  if (line.empty()) return LineKind::kOther;
  if (!last_sent.empty() && (line == last_sent || WithoutHighBytes(line) == last_sent))
    return LineKind::kEcho;
  if (IsFinalResult(line)) return LineKind::kFinal;
  const std::string clean = WithoutHighBytes(line);
  if (clean.size() != line.size() && IsFinalResult(clean)) return LineKind::kDamagedFinal;
  return LineKind::kOther;
}

}  // namespace vrkt
