#pragma once

#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>

#include "cli/report.h"
#include "cli/session.h"

namespace vrkt::cli {

// Passes everything written to a stream on and keeps the last line: the reason a command gave
// when it ended with an exit code rather than a failure (differences found, for example).
class LastLineKeeper : public std::streambuf {
 public:
  explicit LastLineKeeper(std::ostream& stream);
  ~LastLineKeeper() override;
  LastLineKeeper(const LastLineKeeper&) = delete;
  LastLineKeeper& operator=(const LastLineKeeper&) = delete;
  const std::string& last_line() const { return last_; }

 protected:
  int overflow(int c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override { return next_->pubsync(); }

 private:
  void Take(char c);
  std::ostream& stream_;
  std::streambuf* next_;
  std::string line_;
  std::string last_;
};

// Whether this run keeps a record of its unit: for the report, or for the run that started it.
bool KeepsRecord(const Options& o);

// The file whose hash the record keeps; empty for a command without one (status, or unpin,
// whose operand is a PIN that must never reach a report).
std::string RecordedFile(const Options& o, int exit_code);

// What the run learned about its unit, the command having ended with `exit_code` and, when it
// failed, the message `failure`. Asks the unit for its IMEI, as the IMEI button does, unless
// the unit or its port has stopped answering.
UnitRecord TakeUnitRecord(Session& s, int exit_code, const std::string& failure,
                          int64_t started_ms);

// Leaves the record where the options say: a line in the report, or the record file for the run
// that started this one. Returns the run's exit code: a record that could not be kept fails a run
// that had passed, so that no unit counts as done without its line.
int KeepRecord(const Options& o, UnitRecord r, int exit_code, CliIo& io);

}  // namespace vrkt::cli
