#include "cli/unit_record.h"

#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "cli/commands.h"

namespace vrkt::cli {

std::string RecordedFile(const Options& o, int exit_code) {
  const std::string& c = o.command;
  if (c == "write" || c == "verify" || c == "send-list" || c == "phonebook") return o.operand;
  if (c == "read" && exit_code == kExitOk) return o.output;
  return {};
}

LastLineKeeper::LastLineKeeper(std::ostream& stream) : stream_(stream), next_(stream.rdbuf()) {
  stream.rdbuf(this);
}

LastLineKeeper::~LastLineKeeper() { stream_.rdbuf(next_); }

int LastLineKeeper::overflow(int c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  Take(traits_type::to_char_type(c));
  return next_->sputc(traits_type::to_char_type(c));
}

std::streamsize LastLineKeeper::xsputn(const char* s, std::streamsize n) {
  for (std::streamsize i = 0; i < n; ++i) Take(s[i]);
  return next_->sputn(s, n);
}

void LastLineKeeper::Take(char c) {
  if (c == '\n') {
    if (!TrimBlanks(line_).empty()) last_ = line_;
    line_.clear();
  } else if (c == '\r') {
    line_.clear();  // a progress line, drawn over
  } else {
    line_ += c;
  }
}

bool KeepsRecord(const Options& o) { return !o.report_path.empty() || !o.unit_record_path.empty(); }

UnitRecord TakeUnitRecord(Session& s, int exit_code, const std::string& failure,
                          int64_t started_ms) {
  const Options& o = s.options();
  UnitRecord r;
  r.reason = Before(failure, "\n");
  r.port = o.port;
  r.command = o.command;
  r.exit_code = exit_code;
  r.firmware = FirmwareLabel(s);
  // The panel's start text (" ---- Ver:") holds no version: none has been read.
  if (const size_t ver = r.firmware.rfind("Ver:");
      ver != std::string::npos && TrimBlanks(r.firmware.substr(ver + 4)).empty())
    r.firmware.clear();
  r.positions = s.program().transfer.tally().written;
  r.already_right = s.program().transfer.tally().already_right;
  // A unit that stopped answering, a lost port or a restarting module would only add a deadline.
  const bool answers = exit_code != kExitPort && exit_code != kExitNoAnswer &&
                       exit_code != kExitUsage && o.command != "run";
  if (answers && s.program().port().IsOpen()) {
    try {
      r.imei = AskImei(s);
    } catch (const CliFailure&) {
      // The record says what is known; the run's own result stands.
    }
    s.ClearProgress();
  }
  const std::string file = RecordedFile(o, exit_code);
  if (!file.empty()) r.sha256 = Sha256OfFile(file);
  r.duration_ms = s.NowMs() - started_ms;
  return r;
}

int KeepRecord(const Options& o, UnitRecord r, int exit_code, CliIo& io) {
  r.exit_code = exit_code;
  r.time = ReportTimeNow();
  try {
    if (!o.report_path.empty()) AppendReport(o.report_path, r);
    if (!o.unit_record_path.empty()) {
      try {
        WriteFileAtomically(o.unit_record_path, SerializeRecord(r),
                            "Cannot write the unit's record \"%s\". %s");
      } catch (const AppError& e) {
        throw CliFailure(kExitFailure, e.what());
      }
    }
  } catch (const CliFailure& f) {
    io.err << f.what() << "\n";
    return exit_code == kExitOk ? kExitFailure : exit_code;
  }
  return exit_code;
}

}  // namespace vrkt::cli
