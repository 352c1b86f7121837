// Provisioning as a production line runs it: the command-line program writes a 250-entry
// parameter file to units with a full 250-position SIM (40 ms to store a position) and reads it
// back to compare, at wall-clock pace. Units that already hold the file, or differ in 25
// positions, get only what differs (--fast); every position is written with --all. One unit at the default pace, one with --fast, then 16
// units at once with --fast, each its own simulated unit, against the one unit alone.
//
// The floor of a run is the same write in virtual time, where the program costs nothing: the
// stop, both readings, the pauses, the line and the unit's answer and storing times. For a unit
// that holds the file already that is the stop and the two listings alone.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace {

QString g_dir;

struct Run {
  int code = -1;
  double wall_s = -1;
  QByteArray output;
};

Run RunProgram(const QStringList& args) {
  QProcess p;
  p.setWorkingDirectory(g_dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  QElapsedTimer timer;
  timer.start();
  p.start(VRKT_CLI_PROGRAM, args);
  Run r;
  if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) {
    r.output = p.readAll() + p.errorString().toUtf8();
    return r;
  }
  r.wall_s = static_cast<double>(timer.elapsed()) / 1000.0;
  r.code = p.exitCode();
  r.output = p.readAll();
  return r;
}

bool Passed(const Run& r, const char* what) {
  if (r.code == 0) return true;
  std::fprintf(stderr, "%s failed (exit code %d):\n%s\n", what, r.code, r.output.constData());
  return false;
}

// The duration the report gives for the last unit it records, in seconds.
double ReportedSeconds(const QString& report) {
  QFile f(g_dir + "/" + report);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
  return lines.size() < 2 ? -1 : lines.last().split(',').last().toDouble();
}

// The reference with 25 SIM positions different: 20 numbers and names changed, three rows near
// the end deleted and two added (which moves the last rows and empties the last position).
bool WriteDiff25() {
  QFile in(g_dir + "/ref.vrk");
  if (!in.open(QIODevice::ReadOnly)) return false;
  QByteArray text = in.readAll();
  for (int i = 50; i < 70; ++i) {
    const QByteArray from = "Tenant " + QByteArray::number(i) + "=+42077755";
    const QByteArray to = (i % 2 ? "Flat " : "Tenant ") + QByteArray::number(i) +
                          (i % 2 ? "=+42077755" : "=+42066655");
    if (!text.contains(from)) return false;
    text.replace(from, to);
  }
  for (int i = 246; i <= 248; ++i) {
    const QByteArray row = "Tenant " + QByteArray::number(i) + "=+42077755" +
                           QByteArray::number(1000 + i) + "\r\n";
    if (!text.contains(row)) return false;
    text.replace(row, "");
  }
  text += "New tenant 1=+420700000001\r\nNew tenant 2=+420700000002\r\n";
  QFile out(g_dir + "/diff25.vrk");
  return out.open(QIODevice::WriteOnly) && out.write(text) == text.size();
}

// Whether the run says it wrote `n` positions.
bool Written(const Run& r, int n) {
  if (r.output.contains("Wrote " + QByteArray::number(n) + " positions")) return true;
  std::fprintf(stderr, "expected %d positions written:\n%s\n", n, r.output.constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  g_dir = dir.path();
  const QString unit = "sim:full";
  if (!Passed(RunProgram({"--port", unit, "read", "-o", "ref.vrk"}), "reading the reference"))
    return 1;

  if (!WriteDiff25()) return 1;
  const Run floor = RunProgram(
      {"--port", unit, "--fast", "--all", "--report", "floor.csv", "write", "ref.vrk"});
  const Run same_floor =
      RunProgram({"--port", unit, "--fast", "--report", "same_floor.csv", "write", "ref.vrk"});
  // Only the positions that differ: the unit already holds the file, or 25 positions differ.
  const Run same = RunProgram({"--port", unit, "--real-time", "--fast", "write", "ref.vrk"});
  const Run diff = RunProgram({"--port", unit, "--real-time", "--fast", "write", "diff25.vrk"});
  const Run slow = RunProgram({"--port", unit, "--real-time", "--all", "write", "ref.vrk"});
  const Run fast =
      RunProgram({"--port", unit, "--real-time", "--fast", "--all", "write", "ref.vrk"});
  QStringList line = {"--real-time", "--fast", "--all", "write", "ref.vrk"};
  for (int i = 1; i <= 16; ++i) line << "--port" << QString("sim:%1,full").arg(i);
  const Run parallel = RunProgram(line);
  if (!Passed(same, "the write to a unit that holds the file") ||
      !Passed(diff, "the write of 25 differing positions") || !Written(diff, 25) ||
      !Passed(floor, "the virtual-time write") ||
      !Passed(same_floor, "the virtual-time write to a unit that holds the file") ||
      !Passed(slow, "the default-pace write") ||
      !Passed(fast, "the fast write") || !Passed(parallel, "16 units at once"))
    return 1;

  std::printf("provision_250_same_s: %.1f s\n", same.wall_s);
  std::printf("provision_250_same_floor_s: %.1f s\n", ReportedSeconds("same_floor.csv"));
  std::printf("provision_250_diff25_s: %.1f s\n", diff.wall_s);
  std::printf("provision_250_fast_floor_s: %.1f s\n", ReportedSeconds("floor.csv"));
  std::printf("provision_250_default_s: %.1f s\n", slow.wall_s);
  std::printf("provision_250_fast_s: %.1f s\n", fast.wall_s);
  std::printf("provision_16_parallel_s: %.1f s\n", parallel.wall_s);
  std::printf("provision_16_parallel_overhead_pct: %.1f %%\n",
              100.0 * (parallel.wall_s / fast.wall_s - 1.0));
  return 0;
}
