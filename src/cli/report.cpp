#include "cli/report.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLockFile>
#include <QString>
#include <cstdio>

#include "base/text.h"
#include "cli/exit_codes.h"

namespace vrkt::cli {

const char kReportHeader[] =
    "time,port,imei,firmware,sha256,command,result,exit_code,positions_written,positions_already_right,duration_s\n";

namespace {

// Long enough for every other run to finish its one write.
constexpr int kLockWaitMs = 15000;

std::string CsvField(const std::string& text) {
  std::string field;
  bool quote = false;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = ' ';
    if (c == ',' || c == '"') quote = true;
    if (c == '"') field += '"';
    field += c;
  }
  return quote ? "\"" + field + "\"" : field;
}

QString Q(const std::string& path) { return QString::fromStdString(path); }

CliFailure ReportFailure(const std::string& path, const QString& why) {
  return CliFailure(kExitFailure,
                    "Cannot write to the report " + path + ": " + why.toStdString() + ".");
}

}  // namespace

std::string ResultWord(int exit_code) {
  switch (exit_code) {
    case kExitOk:
      return "passed";
    case kExitUsage:
      return "usage error";
    case kExitPort:
      return "port failure";
    case kExitNoAnswer:
      return "no answer";
    case kExitRefused:
      return "refused";
    case kExitMismatch:
      return "mismatch";
    case kExitDamaged:
      return "line noise";
    case kExitBadRows:
      return "bad rows";
    default:
      return "failed";
  }
}

std::string ReportLine(const UnitRecord& r) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.1f", static_cast<double>(r.duration_ms) / 1000.0);
  const std::string fields[] = {r.time,
                                r.port,
                                r.imei,
                                r.firmware,
                                r.sha256,
                                r.command,
                                ResultWord(r.exit_code),
                                std::to_string(r.exit_code),
                                std::to_string(r.positions),
                                std::to_string(r.already_right),
                                duration};
  std::string line;
  for (size_t i = 0; i < std::size(fields); ++i) line += (i ? "," : "") + CsvField(fields[i]);
  return line + "\n";
}

void AppendReport(const std::string& path, const UnitRecord& r) {
  QLockFile lock(Q(path) + ".lock");
  if (!lock.tryLock(kLockWaitMs))
    throw ReportFailure(path, "another run holds its lock file " + Q(path) + ".lock");
  QFile file(Q(path));
  // Unbuffered: the line leaves in one write call, not in pieces of a buffer.
  if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
    throw ReportFailure(path, file.errorString());
  std::string text;
  if (file.size() == 0) {
    text = kReportHeader;
  } else {
    // A line that someone's editor left without its end would swallow this unit's line.
    char last = '\n';
    if (file.seek(file.size() - 1)) file.getChar(&last);
    if (last != '\n') text = "\n";
  }
  text += ReportLine(r);
  const auto size = static_cast<qint64>(text.size());
  if (file.write(text.data(), size) != size) throw ReportFailure(path, file.errorString());
}

void RequireWritableReport(const std::string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
    throw ReportFailure(path, file.errorString());
}

std::string Sha256OfFile(const std::string& path) {
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file)) return {};
  return hash.result().toHex().toStdString();
}

std::string ReportTimeNow() {
  QDateTime now = QDateTime::currentDateTime();
  return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

namespace {
constexpr const char* kKeys[] = {"time",    "port",   "imei",      "firmware",  "sha256",
                                 "command", "reason", "exit_code", "positions", "already_right",
                                 "duration_ms"};
}  // namespace

std::string SerializeRecord(const UnitRecord& r) {
  const std::string values[] = {r.time,
                                r.port,
                                r.imei,
                                r.firmware,
                                r.sha256,
                                r.command,
                                r.reason,
                                std::to_string(r.exit_code),
                                std::to_string(r.positions),
                                std::to_string(r.already_right),
                                std::to_string(r.duration_ms)};
  std::string text;
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    std::string value = values[i];
    for (char& c : value)
      if (c == '\n' || c == '\r') c = ' ';
    text += std::string(kKeys[i]) + "=" + value + "\n";
  }
  return text;
}

std::optional<UnitRecord> ParseRecord(const std::string& text) {
  UnitRecord r;
  size_t found = 0;
  for (const std::string& line : SplitLines(text)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    std::string* text_fields[] = {&r.time,   &r.port,    &r.imei,  &r.firmware,
                                  &r.sha256, &r.command, &r.reason};
    bool known = false;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
      if (key != kKeys[i]) continue;
      known = true;
      if (i < std::size(text_fields)) {
        *text_fields[i] = value;
      } else {
        std::optional<int64_t> n = TryParseInt(value);
        if (!n) return std::nullopt;
        if (key == "exit_code") r.exit_code = static_cast<int>(*n);
        if (key == "positions") r.positions = static_cast<int>(*n);
        if (key == "already_right") r.already_right = static_cast<int>(*n);
        if (key == "duration_ms") r.duration_ms = *n;
      }
    }
    if (known) ++found;
  }
  if (found != std::size(kKeys)) return std::nullopt;
  return r;
}

}  // namespace vrkt::cli
