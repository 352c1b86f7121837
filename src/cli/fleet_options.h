#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace vrkt::cli {

// Hands the arguments of one option or operand, as the parser has taken them, on to the run of
// each unit when several units run at once: all but those that belong to the run as a whole (the
// ports, the per-unit file names and the report).
class UnitArgs {
 public:
  // `index` is the parser's position, read again when the option has taken its value.
  UnitArgs(const std::vector<std::string>& args, const size_t& index, std::vector<std::string>& out)
      : args_(args), index_(index), first_(index), out_(out) {}
  ~UnitArgs();
  UnitArgs(const UnitArgs&) = delete;
  UnitArgs& operator=(const UnitArgs&) = delete;
  void BelongsToRun() { keep_ = false; }

 private:
  const std::vector<std::string>& args_;
  const size_t& index_;
  size_t first_;
  std::vector<std::string>& out_;
  bool keep_ = true;
};

// Takes one of the production line's options (--ports, --report, --pace, --fast and the hidden
// ones a run gives the run of each unit). Returns false for any other option.
bool ParseLineOption(const std::string& arg, const std::function<std::string()>& take_value,
                     const std::function<void()>& no_value, Options& o, UnitArgs& unit_args);

// Takes a --port value: the first stays the single port that every command works with.
void AddPort(Options& o, const std::string& port);

// Checks the production line's options once the command is known. Throws CliFailure.
void CheckLineOptions(Options& o);

// Several units in one run: more than one port, or a port list.
bool IsFleetRun(const Options& o);

// `pattern` with {port} replaced by the port's name made fit for a file name ("/dev/ttyUSB0"
// gives "ttyUSB0", "COM3" stays, "sim:2" gives "sim_2").
std::string PerUnitFileName(const std::string& pattern, const std::string& port);

// A whole decimal number from `lo` to `hi`, nothing else around it.
std::optional<int> WholeNumber(const std::string& text, int lo, int hi);

// The help on the production line's options.
std::string LineOptionsHelp();

}  // namespace vrkt::cli
