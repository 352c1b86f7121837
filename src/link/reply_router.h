#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vrkt {

class CommandLink;

// Routes each complete line the unit sends. A final result ("OK", "ERROR", "+CME ERROR: ...")
// ends the command in flight and drives only the job that sent it; the module's echo of that
// command is no reply at all. Every other line goes down an ordered table of rules: the first
// rule whose pattern matches and whose handler takes the line ends its way. The program registers
// the table in one place; the link knows nothing of what the handlers do.
class ReplyRouter {
 public:
  using Pattern = std::function<bool(std::string_view line)>;
  // Returns false when the line is not its handler's after all (a listing line with no listing
  // running): the rules after it get it.
  using Handler = std::function<bool(std::string& line, bool noisy)>;
  // A line seen by a rule that has nothing else to say about it.
  using Observer = std::function<void(const std::string& line)>;

  explicit ReplyRouter(CommandLink& link) : link_(link) {}

  // Appends a rule. `name` says what it serves, for a reader of the table and for tests.
  void Add(std::string name, Pattern pattern, Handler handler);
  // Called with the echo of the command in flight, and with every clean final result before it
  // ends its command.
  void OnEcho(Observer observer) { on_echo_ = std::move(observer); }
  void OnFinal(Observer observer) { on_final_ = std::move(observer); }

  // May cut `line` (the displays work on the line itself). `noisy`: control bytes that line noise
  // slipped in were dropped from it. A handler's AppError passes through.
  void Route(std::string& line, bool noisy);

  // The rules' names, in order.
  std::vector<std::string> RuleNames() const;

  // Patterns.
  static Pattern Any();
  static Pattern Is(std::string text);
  static Pattern Has(std::string text);
  static Pattern HasAny(std::vector<std::string> texts);

  // A handler that always takes the line it matched.
  static Handler Always(std::function<void(std::string& line)> action);

 private:
  struct Rule {
    std::string name;
    Pattern pattern;
    Handler handler;
  };
  CommandLink& link_;
  std::vector<Rule> rules_;
  Observer on_echo_;
  Observer on_final_;
};

}  // namespace vrkt
