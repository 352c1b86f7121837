// Several units at once, one process per port. The program's sequences block in their pacing
// pauses and the loader moves the process's working folder, so units cannot share one thread or
// one process without holding each other up; a process of its own also keeps a unit whose
// serial driver hangs, or whose run crashes, away from the others. The parent only watches:
// it starts the runs, shows their progress, writes the report (the one writer, so that lines
// never mix on any system) and prints the table.
#include "cli/fleet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "base/variant.h"
#include "cli/engine.h"
#include "cli/exit_codes.h"
#include "cli/fleet_options.h"
#include "cli/report.h"
#include "cli/terminal.h"
#include "cli/unit_record.h"

namespace vrkt::cli {

namespace {

// Wider lines would wrap on a common terminal and break the redrawing of the block.
constexpr size_t kLineWidth = 79;
constexpr int kRedrawMs = 200;

struct UnitRun {
  std::string port;
  std::string record_path;
  std::unique_ptr<QProcess> process;
  QElapsedTimer wall;
  std::string err_pending;  // stderr after its last line end or carriage return
  std::string progress;
  std::vector<std::string> messages;
  std::string out;
  bool done = false;
  UnitRecord record;
};

// A unit's run must serve the family this run serves, which its program's own name may not say.
std::string VariantArgument(const Options& o) {
  if (!o.variant.empty()) return {};  // handed on with the other arguments
  Variant v = VariantFromFileName(FileNameOf(o.program_name));
  if (!v.named) return {};
  if (v.IsDvg()) return "dvg";
  return v.Is4G ? "vrkt4g" : "vrkt";
}

QStringList UnitArguments(const Options& o, const UnitRun& u, bool progress) {
  // Ahead of the handed-on arguments, which may end the options with "--".
  std::vector<std::string> a = {"--port", u.port, "--unit-record", u.record_path};
  if (progress) a.push_back("--progress-lines");
  const std::string variant = VariantArgument(o);
  if (!variant.empty()) a.insert(a.end(), {"--variant", variant});
  if (!o.output.empty()) a.insert(a.end(), {"--output", PerUnitFileName(o.output, u.port)});
  if (!o.log_path.empty()) a.insert(a.end(), {"--log", PerUnitFileName(o.log_path, u.port)});
  a.insert(a.end(), o.unit_args.begin(), o.unit_args.end());
  QStringList list;
  for (const std::string& s : a) list << QString::fromStdString(s);
  return list;
}

// A unit's run draws its progress line as for a terminal: a carriage return, then the text padded
// with blanks over the last one. What ends with a line end is a message.
void TakeErrors(UnitRun& u, const QByteArray& bytes) {
  u.err_pending.append(bytes.constData(), static_cast<size_t>(bytes.size()));
  size_t start = 0;
  for (size_t i = 0; i < u.err_pending.size(); ++i) {
    const char c = u.err_pending[i];
    if (c != '\r' && c != '\n') continue;
    std::string piece = TrimBlanks(u.err_pending.substr(start, i - start));
    start = i + 1;
    if (piece.empty()) continue;
    if (c == '\n')
      u.messages.push_back(std::move(piece));
    else
      u.progress = std::move(piece);
  }
  u.err_pending.erase(0, start);
}

void TakeOutput(UnitRun& u) {
  if (!u.process) return;
  TakeErrors(u, u.process->readAllStandardError());
  const QByteArray out = u.process->readAllStandardOutput();
  u.out.append(out.constData(), static_cast<size_t>(out.size()));
}

std::string Seconds(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

std::string StateOf(const UnitRun& u) {
  if (!u.done) {
    std::string drawing = TrimBlanks(u.err_pending);
    if (!drawing.empty()) return drawing;
    return u.progress.empty() ? std::string("starting...") : u.progress;
  }
  // The reason follows in the unit's messages and in the table.
  return ResultWord(u.record.exit_code) + " in " + Seconds(u.record.duration_ms);
}

// Cut to `width` bytes, never inside a UTF-8 character.
std::string Fit(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  size_t cut = width;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// One line per unit, redrawn in place.
class ProgressBlock {
 public:
  ProgressBlock(std::ostream& err, bool live) : err_(err), live_(live) {}
  void Draw(const std::vector<std::unique_ptr<UnitRun>>& units) {
    if (!live_) return;
    size_t width = 0;
    for (const auto& u : units) width = std::max(width, u->port.size());
    if (drawn_ > 0) err_ << "\x1b[" << drawn_ << "A";
    for (const auto& u : units)
      err_ << "\r\x1b[2K" << Fit(Padded(u->port, width) + "  " + StateOf(*u), kLineWidth) << "\n";
    drawn_ = units.size();
    err_.flush();
  }

 private:
  std::ostream& err_;
  bool live_;
  size_t drawn_ = 0;
};

void PrintTable(std::ostream& out, const std::vector<std::unique_ptr<UnitRun>>& units) {
  std::vector<std::array<std::string, 5>> rows = {{"PORT", "IMEI", "RESULT", "TIME", "REASON"}};
  for (const auto& u : units)
    rows.push_back({u->port, u->record.imei.empty() ? std::string("-") : u->record.imei,
                    ResultWord(u->record.exit_code), Seconds(u->record.duration_ms),
                    u->record.reason});
  std::array<size_t, 4> width{};
  for (const auto& row : rows)
    for (size_t c = 0; c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
  size_t passed = 0;
  for (const auto& u : units) passed += u->record.exit_code == kExitOk ? 1 : 0;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < width.size(); ++c) line += Padded(row[c], width[c]) + "  ";
    line += row[4];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
  out << passed << " of " << units.size() << (units.size() == 1 ? " unit" : " units")
      << " passed.\n";
}

}  // namespace

int RunFleet(const Options& o, CliIo& io, const std::string& unit_program) {
  std::unique_ptr<QCoreApplication> app = MakeQtApplicationIfNone();
  QTemporaryDir records;
  if (!records.isValid())
    throw CliFailure(kExitFailure, "Cannot make a folder for the units' records: " +
                                       records.errorString().toStdString());
  const QString program = unit_program.empty() ? QCoreApplication::applicationFilePath()
                                               : QString::fromStdString(unit_program);
  const bool live = io.progress && EnableTerminalControl();

  std::vector<std::unique_ptr<UnitRun>> units;
  size_t remaining = o.ports.size();
  std::string report_failure;
  QEventLoop loop;
  ProgressBlock block(io.err, live);

  auto finish = [&](UnitRun& u, int code, const std::string& failure) {
    if (u.done) return;
    u.done = true;
    TakeOutput(u);
    if (std::string tail = TrimBlanks(u.err_pending); !tail.empty()) u.messages.push_back(tail);
    u.err_pending.clear();
    std::optional<UnitRecord> r;
    try {
      r = ParseRecord(ReadFileBytes(u.record_path, "%s %s"));
    } catch (const AppError&) {
      // No record: the run ended before it could leave one.
    }
    if (r) {
      u.record = *r;
    } else {
      u.record.command = o.command;
      const std::string file = RecordedFile(o, code);
      if (!file.empty()) u.record.sha256 = Sha256OfFile(file);
      u.record.duration_ms = u.wall.elapsed();
    }
    u.record.port = u.port;
    u.record.exit_code = code;
    u.record.time = ReportTimeNow();
    std::string& reason = u.record.reason;
    if (!failure.empty()) reason = failure;
    // A run that failed without a message of its own in the record (a difference found) said
    // why last.
    if (code != kExitOk && reason.empty())
      reason = u.messages.empty() ? "ended with exit code " + std::to_string(code) + "."
                                  : u.messages.back();
    if (code == kExitOk) reason.clear();
    if (!o.report_path.empty()) {
      try {
        AppendReport(o.report_path, u.record);
      } catch (const CliFailure& f) {
        report_failure = f.what();
      }
    }
    if (!live) io.err << u.port << ": " << StateOf(u) << "\n";
    if (--remaining == 0) loop.quit();
  };

  for (size_t i = 0; i < o.ports.size(); ++i) {
    auto u = std::make_unique<UnitRun>();
    u->port = o.ports[i];
    u->record_path = records.filePath(QString::number(i) + ".record").toStdString();
    u->process = std::make_unique<QProcess>();
    UnitRun* run = u.get();
    QProcess* p = run->process.get();
    QObject::connect(p, &QProcess::readyReadStandardError,
                     [run] { TakeErrors(*run, run->process->readAllStandardError()); });
    QObject::connect(p, &QProcess::readyReadStandardOutput, [run] {
      const QByteArray out = run->process->readAllStandardOutput();
      run->out.append(out.constData(), static_cast<size_t>(out.size()));
    });
    QObject::connect(p, &QProcess::finished, [&finish, run](int code, QProcess::ExitStatus status) {
      if (status == QProcess::CrashExit)
        finish(
            *run, kExitFailure,
            "The unit's run ended abnormally: " + run->process->errorString().toStdString() + ".");
      else
        finish(*run, code, {});
    });
    QObject::connect(p, &QProcess::errorOccurred,
                     [&finish, &program, run](QProcess::ProcessError e) {
                       if (e == QProcess::FailedToStart)
                         finish(*run, kExitFailure,
                                "Cannot start " + program.toStdString() + ": " +
                                    run->process->errorString().toStdString() + ".");
                     });
    units.push_back(std::move(u));
  }

  block.Draw(units);
  for (auto& u : units) {
    u->wall.start();
    u->process->start(program, UnitArguments(o, *u, live));
    u->process->closeWriteChannel();
  }
  QTimer redraw;
  QObject::connect(&redraw, &QTimer::timeout, [&] { block.Draw(units); });
  if (live) redraw.start(kRedrawMs);
  // A run that cannot start may have ended already, inside start().
  if (remaining > 0) loop.exec();
  redraw.stop();
  // Every run has ended; nothing may call back into this frame once it is left.
  for (auto& u : units) u->process->disconnect();
  block.Draw(units);

  for (const auto& u : units)
    for (const std::string& m : u->messages) io.err << u->port << ": " << m << "\n";
  for (const auto& u : units) {
    if (u->out.empty()) continue;
    io.out << "== " << u->port << " ==\n" << u->out << (u->out.back() == '\n' ? "" : "\n");
  }
  PrintTable(io.out, units);

  int code = kExitOk;
  for (const auto& u : units) {
    const int c = u->record.exit_code;
    if (c == kExitOk || c == code) continue;
    code = code == kExitOk ? c : kExitFailure;
  }
  if (!report_failure.empty()) {
    io.err << report_failure << "\n";
    if (code == kExitOk) code = kExitFailure;
  }
  io.out.flush();
  io.err.flush();
  return code;
}

}  // namespace vrkt::cli
