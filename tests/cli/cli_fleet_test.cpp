// Several units at once, the production record, and the pace of a write. Runs over several ports
// start the real program once per unit, each against its own simulated unit in virtual time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QLockFile>
#include <QProcess>
#include <chrono>
#include <filesystem>
#include <latch>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cli/engine.h"
#include "cli/exit_codes.h"
#include "cli/report.h"
#include "cli_support.h"

#if defined(VRKT_CLI_PROGRAM_DIR)

namespace vrkt::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kProgram = std::string(VRKT_CLI_PROGRAM_DIR) + "/VRKTset-cli";

CliResult RunUnits(const std::vector<std::string>& argv, bool progress = false) {
  CliHooks hooks;
  hooks.unit_program = kProgram;
  return RunCliForTest(argv, hooks, progress);
}

std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The report's lines after its header, by port; checks that every line has all its fields.
std::map<std::string, std::vector<std::string>> ReportByPort(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  EXPECT_FALSE(lines.empty());
  if (lines.empty()) return {};
  EXPECT_EQ(lines[0] + "\n", kReportHeader);
  std::map<std::string, std::vector<std::string>> by_port;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = CsvFields(lines[i]);
    EXPECT_EQ(f.size(), 11u) << lines[i];
    if (f.size() == 11) {
      EXPECT_TRUE(by_port.emplace(f[1], f).second) << "twice: " << f[1];
    }
  }
  return by_port;
}

// The table row of a port, split at its runs of blanks (the reason stays whole).
std::vector<std::string> TableRow(const std::string& out, const std::string& port) {
  for (const std::string& line : Lines(out)) {
    if (line.rfind(port + " ", 0) != 0) continue;
    std::vector<std::string> cells;
    size_t at = 0;
    while (at < line.size() && cells.size() < 4) {
      size_t gap = line.find("  ", at);
      if (gap == std::string::npos) gap = line.size();
      cells.push_back(line.substr(at, gap - at));
      at = line.find_first_not_of(' ', gap);
      if (at == std::string::npos) at = line.size();
    }
    cells.push_back(line.substr(at));
    return cells;
  }
  return {};
}

std::string Sha256Of(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                  QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

std::string ReadReference(const TempDir& dir) {
  CliResult r = RunCliForTest({"VRKTset-cli", "--port", "sim", "read", "-o", dir.File("ref.vrk")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  return dir.Read("ref.vrk");
}

TEST(CliFleetTest, FourUnitsAtOnceEachTellsItsOwnTruth) {
  TempDir dir;
  const std::string reference = ReadReference(dir);
  const std::string good1 = "sim:a,imei=356938035643811";
  const std::string silent = "sim:b,imei=356938035643822,silent-after=10";
  const std::string refusing = "sim:c,imei=356938035643833,refuse-write=13";
  const std::string good2 = "sim:d,imei=356938035643844";
  CliResult r = RunUnits({"VRKTset-cli", "--all", "write", dir.File("ref.vrk"), "--report",
                          dir.File("line.csv"), "--timeout", "2", "--port", good1, "--port", silent,
                          "--port", refusing, "--port", good2});
  // A unit that did not answer and one that refused: no single code tells both.
  EXPECT_EQ(r.code, kExitFailure) << r.out << r.err;
  EXPECT_THAT(r.out, HasSubstr("2 of 4 units passed."));

  struct Expected {
    std::string port, imei, result;
    int code;
    std::string reason;
  } expected[] = {
      {good1, "356938035643811", "passed", kExitOk, ""},
      {silent, "", "no answer", kExitNoAnswer, "no answer within 2 seconds"},
      {refusing, "356938035643833", "refused", kExitRefused, "\"ERROR\" to SIM position 13"},
      {good2, "356938035643844", "passed", kExitOk, ""},
  };
  auto report = ReportByPort(dir.Read("line.csv"));
  EXPECT_EQ(report.size(), 4u);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.port);
    std::vector<std::string> row = TableRow(r.out, e.port);
    ASSERT_EQ(row.size(), 5u) << r.out;
    EXPECT_EQ(row[1], e.imei.empty() ? "-" : e.imei);
    EXPECT_EQ(row[2], e.result);
    if (e.reason.empty())
      EXPECT_EQ(row[4], "");
    else
      EXPECT_THAT(row[4], HasSubstr(e.reason));

    const std::vector<std::string>& f = report[e.port];
    ASSERT_EQ(f.size(), 11u);
    EXPECT_EQ(f[2], e.imei);
    EXPECT_EQ(f[3], "VRKT Ver: 214");
    EXPECT_EQ(f[4], Sha256Of(reference));
    EXPECT_EQ(f[5], "write");
    EXPECT_EQ(f[6], e.result);
    EXPECT_EQ(f[7], std::to_string(e.code));
    EXPECT_GT(std::stod(f[10]), 0.0);
  }
  // Positions written: every one but the VER entry's, which a write keeps.
  EXPECT_EQ(report[good1][8], "249");
  EXPECT_EQ(report[good2][8], "249");
  EXPECT_EQ(report[refusing][8], "11");  // 1 to 12 before the refused 13, less the VER at 12
  EXPECT_LT(std::stoi(report[silent][8]), 10);
  // Each unit's own messages reach the user, named by port.
  EXPECT_THAT(r.err, HasSubstr(refusing + ": Writing to the unit stopped"));
}

TEST(CliFleetTest, PortListPerUnitFilesAndOneProgressLinePerUnit) {
  TempDir dir;
  dir.Write("ports.txt", "# bench A\r\nsim:1   # left\r\n\r\n   \r\nsim:2\r\n");
  CliResult r = RunUnits({"VRKTset-cli", "--ports", dir.File("ports.txt"), "read", "-o",
                          dir.File("{port}.vrk"), "--log", dir.File("{port}.log")},
                         /*progress=*/true);
  ASSERT_EQ(r.code, kExitOk) << r.out << r.err;
  for (const char* name : {"sim_1", "sim_2"}) {
    EXPECT_THAT(dir.Read(std::string(name) + ".vrk"), HasSubstr("MASTER1=+420731555201")) << name;
    EXPECT_FALSE(dir.Read(std::string(name) + ".log").empty()) << name;
  }
  std::vector<std::string> one = TableRow(r.out, "sim:1"), two = TableRow(r.out, "sim:2");
  ASSERT_EQ(one.size(), 5u);
  ASSERT_EQ(two.size(), 5u);
  // Labelled simulated units are different units.
  EXPECT_EQ(one[1].size(), 15u);
  EXPECT_NE(one[1], two[1]);
  // The block of progress lines is drawn again in place, one line per unit.
  EXPECT_THAT(r.err, HasSubstr("\x1b[2A"));
  EXPECT_THAT(r.err, HasSubstr("sim:1  passed in"));
  EXPECT_THAT(r.err, HasSubstr("sim:2  passed in"));
}

TEST(CliFleetTest, UnitsThatFailAlikeShareTheirExitCodeAndSayWhy) {
  TempDir dir;
  std::string reference = ReadReference(dir);
  const std::string master = "MASTER1=+420731555201";
  ASSERT_NE(reference.find(master), std::string::npos);
  dir.Write("other.vrk", reference.replace(reference.find(master), master.size(), "MASTER1=112"));
  CliResult r = RunUnits(
      {"VRKTset-cli", "verify", dir.File("other.vrk"), "--port", "sim:1", "--port", "sim:2"});
  EXPECT_EQ(r.code, kExitMismatch) << r.err;
  for (const char* port : {"sim:1", "sim:2"}) {
    std::vector<std::string> row = TableRow(r.out, port);
    ASSERT_EQ(row.size(), 5u) << r.out;
    EXPECT_EQ(row[2], "mismatch");
    EXPECT_THAT(row[4], HasSubstr("does not match")) << port;
  }
  // The differences themselves stand in each unit's part of the output.
  EXPECT_THAT(r.out, HasSubstr("== sim:2 ==\nDifferences between"));
}

TEST(CliFleetTest, AUnitWhoseRunCannotStartFailsAndIsRecorded) {
  TempDir dir;
  dir.Write("list.ifo", "AT\r\n");
  CliHooks hooks;
  hooks.unit_program = dir.File("no-such-program");
  CliResult r = RunCliForTest({"VRKTset-cli", "send-list", dir.File("list.ifo"), "--port", "sim:1",
                               "--port", "sim:2", "--report", dir.File("r.csv")},
                              hooks);
  EXPECT_EQ(r.code, kExitFailure);
  EXPECT_THAT(TableRow(r.out, "sim:1")[4], HasSubstr("Cannot start"));
  auto report = ReportByPort(dir.Read("r.csv"));
  ASSERT_EQ(report.size(), 2u);
  EXPECT_EQ(report["sim:2"][6], "failed");
  EXPECT_EQ(report["sim:2"][4], Sha256Of("AT\r\n"));
}

TEST(CliFleetTest, ParallelRunsAppendWholeLinesUnderOneHeader) {
  TempDir dir;
  auto app = MakeQtApplicationIfNone();
  const std::string report = dir.File("r.csv");
  std::vector<std::unique_ptr<QProcess>> runs;
  constexpr int kRuns = 12;
  for (int i = 0; i < kRuns; ++i) {
    runs.push_back(std::make_unique<QProcess>());
    runs.back()->start(
        QString::fromStdString(kProgram),
        {"--port", QString("sim:%1").arg(i), "status", "--report", QString::fromStdString(report)});
  }
  for (auto& p : runs) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), kExitOk) << p->readAllStandardError().toStdString();
  }
  const std::string text = dir.Read("r.csv");
  auto by_port = ReportByPort(text);
  EXPECT_EQ(Lines(text).size(), kRuns + 1u) << text;
  EXPECT_EQ(by_port.size(), static_cast<size_t>(kRuns));
  std::set<std::string> imeis;
  for (auto& [port, f] : by_port) {
    EXPECT_EQ(f[6], "passed") << port;
    EXPECT_EQ(f[4], "") << port;  // status works with no file
    imeis.insert(f[2]);
  }
  EXPECT_EQ(imeis.size(), static_cast<size_t>(kRuns));
}

TEST(CliRecordTest, OnePortRecordsItsUnitAndAnUnwritableReportStopsFirst) {
  TempDir dir;
  const std::string report = dir.File("r.csv");
  // A line left without its end by hand does not swallow the next unit's line.
  dir.Write("r.csv", std::string(kReportHeader) + "by hand");
  CliResult status = RunCliForTest({"VRKTset-cli", "--port", "sim", "status", "--report", report});
  ASSERT_EQ(status.code, kExitOk) << status.err;
  CliResult pin =
      RunCliForTest({"VRKTset-cli", "--port", "sim", "unpin", "5555", "--report", report});
  EXPECT_EQ(pin.code, kExitRefused);
  std::vector<std::string> lines = Lines(dir.Read("r.csv"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "by hand");
  std::vector<std::string> s = CsvFields(lines[2]), u = CsvFields(lines[3]);
  ASSERT_EQ(s.size(), 11u);
  ASSERT_EQ(u.size(), 11u);
  EXPECT_EQ(s[1], "sim");
  EXPECT_EQ(s[2], "356938035643809");
  EXPECT_EQ(s[5] + s[6] + s[7], "statuspassed0");
  // The PIN is the operand of unpin: it never reaches the record.
  EXPECT_EQ(u[4], "");
  EXPECT_EQ(u[5] + u[6] + u[7], "unpinrefused5");
  EXPECT_EQ(u[2], "356938035643809");

  // A unit silent from the start tells nothing: no IMEI, no firmware, and the run fails.
  CliResult silent = RunCliForTest({"VRKTset-cli", "--port", "sim:silent-after=0", "status",
                                    "--timeout", "1", "--report", dir.File("silent.csv")});
  EXPECT_EQ(silent.code, kExitNoAnswer);
  std::vector<std::string> q = CsvFields(Lines(dir.Read("silent.csv")).back());
  ASSERT_EQ(q.size(), 11u);
  EXPECT_EQ(q[2] + q[3] + q[6], "no answer");

  CliResult blocked = RunCliForTest(
      {"VRKTset-cli", "--port", "sim", "status", "--report", dir.File("no/such/dir/r.csv")});
  EXPECT_EQ(blocked.code, kExitFailure);
  EXPECT_THAT(blocked.err, HasSubstr("Cannot write to the report"));
  EXPECT_TRUE(blocked.unit_commands.empty());
}

TEST(CliRecordTest, WritersInParallelNeverSplitALineOrRepeatTheHeader) {
  TempDir dir;
  const std::string report = dir.File("r.csv");
  constexpr int kWriters = 4, kLines = 10;
  std::vector<std::thread> writers;
  std::latch start(kWriters);  // the first lines all race for a new file's header
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      start.arrive_and_wait();
      UnitRecord r;
      r.port = "port" + std::to_string(w);
      // Long enough that a line written in pieces would show it.
      r.firmware = std::string(3000, static_cast<char>('a' + w));
      for (int i = 0; i < kLines; ++i) {
        r.positions = i;
        AppendReport(report, r);
      }
    });
  for (std::thread& t : writers) t.join();
  std::vector<std::string> lines = Lines(dir.Read("r.csv"));
  ASSERT_EQ(lines.size(), 1u + kWriters * kLines);
  EXPECT_EQ(lines[0] + "\n", kReportHeader);
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> f = CsvFields(lines[i]);
    ASSERT_EQ(f.size(), 11u) << i;
    EXPECT_EQ(f[3], std::string(3000, static_cast<char>('a' + (f[1].back() - '0')))) << i;
  }

  // A writer in another process holds the lock: the line waits for it.
  QLockFile other(QString::fromStdString(report) + ".lock");
  ASSERT_TRUE(other.tryLock(1000));
  std::thread late([&] { AppendReport(report, UnitRecord{}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Lines(dir.Read("r.csv")).size(), 1u + kWriters * kLines);
  other.unlock();
  late.join();
  EXPECT_EQ(Lines(dir.Read("r.csv")).size(), 2u + kWriters * kLines);
}

TEST(CliRecordTest, ReportLinesStayOneLineOfElevenFields) {
  UnitRecord r;
  r.time = "2024-05-01T10:00:00+02:00";
  r.port = "sim:a,b";
  r.firmware = "VRKT \"Ver\"\r\n214";
  r.command = "write";
  r.exit_code = kExitMismatch;
  r.positions = 17;
  r.already_right = 233;
  r.duration_ms = 12345;
  const std::string line = ReportLine(r);
  EXPECT_EQ(line,
            "2024-05-01T10:00:00+02:00,\"sim:a,b\",,\"VRKT \"\"Ver\"\"  214\",,write,mismatch,6,17,"
            "233,12.3\n");
  EXPECT_EQ(CsvFields(line.substr(0, line.size() - 1)).size(), 11u);
  // The record a unit's run hands on comes back whole.
  r.reason = "The unit refused it.";
  std::optional<UnitRecord> back = ParseRecord(SerializeRecord(r));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->firmware, "VRKT \"Ver\"  214");
  EXPECT_EQ(back->reason, r.reason);
  EXPECT_EQ(back->positions, 17);
  EXPECT_EQ(back->already_right, 233);
  EXPECT_EQ(back->duration_ms, 12345);
  EXPECT_FALSE(ParseRecord("port=sim\n"));
}

TEST(CliPaceTest, FastWriteToAUnitThatCannotKeepUpFailsItsReadBack) {
  TempDir dir;
  ReadReference(dir);
  // The SIM acknowledges at once and stores for 60 ms after: a write 20 ms after the "OK" is lost.
  const std::string slow_unit = "sim:full,write-ms=60,busy-after-ok=60";
  struct Case {
    std::vector<std::string> pace;
    int code;
    int64_t min_gap_ms, max_gap_ms;
  } cases[] = {
      {{"--fast"}, kExitMismatch, 20, 199},
      {{}, kExitOk, 200, 400},
      {{"--pace", "100"}, kExitOk, 100, 199},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pace.empty() ? "default" : c.pace.back());
    std::vector<std::string> argv = {"VRKTset-cli", "--port",   slow_unit,        "--all", "write",
                                     dir.File("ref.vrk"), "--report", dir.File("r.csv")};
    argv.insert(argv.end(), c.pace.begin(), c.pace.end());
    CliResult r = RunCliForTest(argv);
    EXPECT_EQ(r.code, c.code) << r.err;
    if (c.code == kExitMismatch) {
      EXPECT_THAT(r.err, HasSubstr("does not match"));
    }
    // The commands of the write: from its first position to its last (empty entries send "AT").
    const std::vector<SimCommand>& cmds = r.unit_commands;
    size_t first = cmds.size(), last = 0;
    for (size_t i = 0; i < cmds.size(); ++i) {
      if (cmds[i].line.rfind("AT+CPBW=", 0) != 0) continue;
      first = std::min(first, i);
      last = i;
    }
    ASSERT_LT(first, last);
    int64_t min_gap = INT64_MAX, max_gap = 0;
    for (size_t i = first + 1; i <= last; ++i) {
      min_gap = std::min(min_gap, cmds[i].at_ms - cmds[i - 1].at_ms);
      max_gap = std::max(max_gap, cmds[i].at_ms - cmds[i - 1].at_ms);
    }
    EXPECT_GE(min_gap, c.min_gap_ms);
    EXPECT_LE(max_gap, c.max_gap_ms);
    std::vector<std::string> f = CsvFields(Lines(dir.Read("r.csv")).back());
    ASSERT_EQ(f.size(), 11u);
    EXPECT_EQ(f[7], std::to_string(c.code));
  }
}

TEST(CliFleetTest, LineOptionsThatCannotWorkAreUsageErrors) {
  TempDir dir;
  dir.Write("ref.vrk", "x");
  dir.Write("comments.txt", "# nothing here\r\n\r\n");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* message;
  } cases[] = {
      {{"--port", "sim:1", "--port", "sim:1", "write", dir.File("ref.vrk")},
       kExitUsage,
       "named twice"},
      {{"--port", "sim:1", "--port", "sim:2", "read", "-o", dir.File("a.vrk")},
       kExitUsage,
       "{port}"},
      {{"--port", "a/x", "--port", "b/x", "read", "-o", dir.File("{port}.vrk")},
       kExitUsage,
       "same file name"},
      {{"--port", "sim:1", "--port", "sim:2", "status", "--log", dir.File("l.txt")},
       kExitUsage,
       "{port}"},
      {{"--port", "sim:1", "--port", "sim:2", "unpin", "1234"}, kExitUsage, "Several ports"},
      {{"--port", "sim", "--fast", "--pace", "50", "write", dir.File("ref.vrk")},
       kExitUsage,
       "different paces"},
      {{"--port", "sim", "--fast", "status"}, kExitUsage, "options of write"},
      {{"--port", "sim", "--pace", "2x", "write", dir.File("ref.vrk")}, kExitUsage, "--pace needs"},
      {{"--port", "sim:x,bogus=1", "status"}, kExitUsage, "no setting \"bogus\""},
      {{"--port", "sim:imei=12", "status"}, kExitUsage, "14 to 17 digits"},
      {{"--ports", dir.File("comments.txt"), "status"}, kExitUsage, "names no port"},
      {{"--ports", dir.File("none.txt"), "status"}, kExitFailure, "Cannot open the port list"},
      {{"--report", dir.File("r.csv"), "ports"}, kExitUsage, "--report records units"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"VRKTset-cli"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    CliResult r = RunUnits(argv);
    EXPECT_EQ(r.code, c.code) << c.message << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_EQ(r.out, "") << c.message;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("r.csv")));
}

}  // namespace
}  // namespace vrkt::cli::testing

#endif
