#include "link/reply_router.h"

#include "base/text.h"
#include "link/command_link.h"

namespace vrkt {

void ReplyRouter::Add(std::string name, Pattern pattern, Handler handler) {
  rules_.push_back(Rule{std::move(name), std::move(pattern), std::move(handler)});
}

void ReplyRouter::Route(std::string& line, bool noisy) {
  switch (link_.Classify(line)) {
    case LineKind::kEcho:
      if (on_echo_) on_echo_(line);
      return;
    case LineKind::kFinal:
      if (on_final_) on_final_(line);
      link_.Answered(line, false);
      return;
    case LineKind::kDamagedFinal:
      link_.Answered(line, true);
      return;
    case LineKind::kOther:
      break;
  }
  for (const Rule& rule : rules_)
    if (rule.pattern(line) && rule.handler(line, noisy)) return;
}

std::vector<std::string> ReplyRouter::RuleNames() const {
  std::vector<std::string> names;
  for (const Rule& rule : rules_) names.push_back(rule.name);
  return names;
}

ReplyRouter::Pattern ReplyRouter::Any() {
  return [](std::string_view) { return true; };
}

ReplyRouter::Pattern ReplyRouter::Is(std::string text) {
  return [text = std::move(text)](std::string_view line) { return line == text; };
}

ReplyRouter::Pattern ReplyRouter::Has(std::string text) {
  return [text = std::move(text)](std::string_view line) { return Contains(line, text); };
}

ReplyRouter::Pattern ReplyRouter::HasAny(std::vector<std::string> texts) {
  return [texts = std::move(texts)](std::string_view line) {
    for (const std::string& t : texts)
      if (Contains(line, t)) return true;
    return false;
  };
}

ReplyRouter::Handler ReplyRouter::Always(std::function<void(std::string& line)> action) {
  return [action = std::move(action)](std::string& line, bool) {
    action(line);
    return true;
  };
}

}  // namespace vrkt
