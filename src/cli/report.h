#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vrkt::cli {

// What the production record keeps of one unit's run.
struct UnitRecord {
  std::string time;  // when the run ended: local time, ISO 8601 with the UTC offset
  std::string port;
  std::string imei;      // empty when the unit did not tell it
  std::string firmware;  // as the status bar shows it ("VRKT Ver: 214"); empty before a read
  std::string sha256;    // of the file the command wrote, checked against or saved; lower-case hex
  std::string command;
  int exit_code = 0;
  int positions = 0;  // SIM positions the unit confirmed in a write
  int already_right = 0;  // positions a write found holding their entry already
  int64_t duration_ms = 0;
  // Why the run failed, in one line; for the table, not the report.
  std::string reason;
};

// The report's first line.
extern const char kReportHeader[];

// "passed", or a word for the failure the exit code stands for.
std::string ResultWord(int exit_code);

// One CSV line of the report, ending in "\n". Fields that need it are quoted; line breaks and
// other control characters (a unit's text may hold them) become blanks, so one unit is one line.
std::string ReportLine(const UnitRecord& r);

// Appends the unit's line to the report, with the header first when the file is new or empty.
// Each line goes out in one write while a lock file beside the report is held, so that runs in
// other processes never split a line or write a second header. Throws CliFailure.
void AppendReport(const std::string& path, const UnitRecord& r);
// Checks before any unit is touched that the report can be appended to. Throws CliFailure.
void RequireWritableReport(const std::string& path);

// The SHA-256 of a file in lower-case hex; empty when it cannot be read.
std::string Sha256OfFile(const std::string& path);
// Now, as the report writes times.
std::string ReportTimeNow();

// The record as a unit's run hands it to the run that started it, and back.
std::string SerializeRecord(const UnitRecord& r);
std::optional<UnitRecord> ParseRecord(const std::string& text);

}  // namespace vrkt::cli
