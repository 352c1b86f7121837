#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "base/error.h"
#include "qt/event_pump.h"
#include "qt/form_binder.h"
#include "qt/main_window.h"
#include "qt/port_dialog.h"
#include "qt/program_path.h"
#include "qt/qt_clock.h"
#include "qt/qt_dialogs.h"
#include "qt_app.h"
#include "sim/sim_unit.h"
#include "support/harness.h"

#if defined(__linux__)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "qt/serial_backend.h"
#endif

namespace vrkt {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  testing::AppFirst app_;
};

// Cancel in the port dialog: one message, the window opens with the port closed, and the
// buttons that talk to the unit stay as the program sets them.
TEST_F(ShellTest, PortDialogCancelLeavesTheWindowUsableWithPortClosed) {
  testing::Harness h("VRKTset");
  h.dialogs.port_answers.push_back(std::nullopt);
  qt::MainWindow window(*h.program, {});
  h.Start();
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_FALSE(h.program->port().IsOpen());
  window.show();
  h.RunFor(2100);  // one tick of the control-update timer
  for (const char* name : {"SaveGDI", "LoadGDI", "IMEI", "Send", "UNPIN", "CodePIN"}) {
    Control* c = h.program->form.FindControl(name);
    QWidget* w = window.findChild<QWidget*>(name);
    ASSERT_TRUE(c && w) << name;
    EXPECT_FALSE(c->enabled()) << name;
    EXPECT_FALSE(w->isEnabled()) << name;
  }
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
}

TEST_F(ShellTest, PortDialogListsPortsPreselectsAndTakesATypedPath) {
  std::vector<PortInfo> ports = {{"/dev/ttyS0", "Built-in port"},
                                 {"/dev/ttyUSB3", "USB serial adapter"},
                                 {"sim", "Simulated unit"}};
  {
    qt::PortDialog d(ports, "4", nullptr);  // ttyUSB3 is port number 4
    EXPECT_EQ(d.windowTitle(), "Select Port");
    EXPECT_EQ(d.findChild<QLabel*>("PortInvalid")->text(), "The configured serial port is not valid.");
    EXPECT_EQ(d.findChild<QLabel*>("PortChoose")->text(), "Please choose another port.");
    EXPECT_EQ(d.findChild<QPushButton*>("PortOk")->text(), "OK");
    EXPECT_EQ(d.findChild<QPushButton*>("PortCancel")->text(), "Cancel");
    ASSERT_EQ(d.combo()->count(), 3);
    EXPECT_TRUE(d.combo()->itemText(1).contains("USB serial adapter"));
    EXPECT_EQ(d.ChosenPort(), "/dev/ttyUSB3");
    d.combo()->setCurrentIndex(2);
    EXPECT_EQ(d.ChosenPort(), "sim");
    d.combo()->setEditText("/dev/pts/7");
    EXPECT_EQ(d.ChosenPort(), "/dev/pts/7");
    d.findChild<QPushButton*>("PortCancel")->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
  }
  qt::PortDialog by_name(ports, "sim", nullptr);
  EXPECT_EQ(by_name.ChosenPort(), "sim");
  qt::PortDialog no_match(ports, "77", nullptr);
  EXPECT_EQ(no_match.ChosenPort(), "/dev/ttyS0");
}

TEST_F(ShellTest, FileFiltersBecomeQtFilters) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"VRKT files (*.vrk)|*.vrk", "VRKT files (*.vrk)"},
      {"Log (*.mon)|*.mon|All files (*.*)|*.*", "Log (*.mon);;All files (*.*)"},
      {"Lists|*.ifo;*.txt", "Lists (*.ifo *.txt)"},
      {"", "*"},
  };
  for (const Case& c : cases) EXPECT_EQ(qt::QtFilterFrom(c.in).toStdString(), c.out) << c.in;
}

TEST_F(ShellTest, ProgramPathKeepsTheNameItWasStartedUnder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  namespace fs = std::filesystem;
  fs::path real = fs::path(dir.path().toStdString()) / "VRKTset";
  fs::path link = fs::path(dir.path().toStdString()) / "DVG1Cset";
  { std::ofstream(real.string()) << "x"; }
  std::error_code ec;
  fs::create_symlink(real, link, ec);
  if (ec) GTEST_SKIP() << "no symbolic links here";
  EXPECT_EQ(qt::ProgramPathFromArgv0(link.string().c_str()),
            QDir::toNativeSeparators(QString::fromStdString(link.string())).toStdString());
  QString old = QDir::currentPath();
  QDir::setCurrent(dir.path());
  std::string rel = qt::ProgramPathFromArgv0("./DVG1Cset");
  QDir::setCurrent(old);
  EXPECT_EQ(FileNameOf(rel), "DVG1Cset");
  EXPECT_TRUE(fs::path(rel).is_absolute());
}

// A pause keeps the event loop turning: timers run and the window repaints meanwhile.
TEST_F(ShellTest, PauseKeepsTheWindowPainting) {
  struct Painted : QWidget {
    int paints = 0;
    void paintEvent(QPaintEvent*) override { ++paints; }
  } widget;
  widget.resize(50, 50);
  widget.show();
  QCoreApplication::processEvents();
  int before = widget.paints;
  qt::QtClock clock;
  bool timer_ran = false;
  QTimer::singleShot(10, [&] {
    timer_ran = true;
    widget.update();
  });
  int64_t start = clock.NowMs();
  clock.Pause(80);
  EXPECT_GE(clock.NowMs() - start, 75);
  EXPECT_TRUE(timer_ran);
  EXPECT_GT(widget.paints, before);
  EXPECT_EQ(clock.TimeOfDay().size(), 8u);
}

// The pump on wall time: the first command reaches the simulated unit, its reply is delivered
// to the program, and the timers tick.
TEST_F(ShellTest, PumpDeliversPortDataAndTimerTicks) {
  qt::QtClock clock;
  SimProvider sim(clock);
  // A module that answers the greeting at once, so that its answer waits in the port.
  sim.unit().Configure(testing::AnsweringConfig());
  testing::ScriptedDialogs dialogs;
  ProgramEnv env;
  env.program_path = "VRKTset";
  env.clock = &clock;
  env.ports = &sim;
  env.dialogs = &dialogs;
  env.read_settings = false;
  Program program(env);
  qt::EventPump pump(program, &sim);
  int ticks = 0;
  program.form.TimerCTS.SetInterval(20);
  program.form.TimerCTS.on_timer = [&] { ++ticks; };
  program.FormCreate();
  ASSERT_TRUE(program.port().IsOpen());
  EXPECT_GT(program.port().BytesAvailable(), 0u);
  pump.Start();
  EXPECT_TRUE(testing::WaitFor([&] { return program.port().BytesAvailable() == 0 && ticks >= 3; }));
}

// The adapter pulled out under the running window, on wall time: the message comes once, the
// status panels are cleared, and the window stays at "Port: none", usable offline, however often
// its timers tick, until Port... is clicked.
TEST_F(ShellTest, UnpluggedPortStaysClosedUntilPortIsClicked) {
  qt::QtClock clock;
  SimProvider sim(clock);
  testing::ScriptedDialogs dialogs;
  ProgramEnv env;
  env.program_path = "VRKTset";
  env.clock = &clock;
  env.ports = &sim;
  env.dialogs = &dialogs;
  env.read_settings = false;
  Program program(env);
  qt::EventPump pump(program, &sim);
  qt::MainWindow window(program, [&pump] { pump.Kick(); });
  program.FormCreate();
  ASSERT_TRUE(program.port().IsOpen());
  pump.Start();
  window.show();
  auto text = [&](const char* name) {
    return window.findChild<QLabel*>(name)->text().toStdString();
  };
  ASSERT_TRUE(testing::WaitFor([&] { return text("PortName") == "Port: sim"; }));
  program.status.ShowOperator("+COPS: 0,0,\"NETZ\"");
  program.status.ShowBattery("#CBC: 0,385");
  ASSERT_NE(text("StatusPanel0"), "Operator:");
  ASSERT_NE(text("Voltage"), " - - - - mV");

  sim.unit().faults().unplugged = true;
  ASSERT_TRUE(testing::WaitFor([&] { return !dialogs.messages.empty(); }, 4000));
  EXPECT_EQ(dialogs.messages[0], "The serial port sim was closed: the device was removed");
  EXPECT_EQ(text("PortName"), "Port: none");
  EXPECT_EQ(text("StatusPanel0"), "Operator:");
  EXPECT_EQ(text("StatusPanel1"), " board voltage:");
  EXPECT_EQ(text("Voltage"), " - - - - mV");

  // Plugged in again, but the user has not said so. Every timer ticks many times meanwhile.
  sim.unit().faults().unplugged = false;
  for (Timer* t : program.form.timers()) t->SetInterval(50);
  testing::WaitFor([] { return false; }, 2000);
  EXPECT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.port_dialogs, 1) << "only the one at start-up";
  EXPECT_FALSE(program.port().IsOpen());
  EXPECT_EQ(text("PortName"), "Port: none");
  for (const char* name : {"PortSelect", "Load", "SaveMonitor", "PageControl1"})
    EXPECT_TRUE(window.findChild<QWidget*>(name)->isEnabled()) << name;

  dialogs.port_answers = {std::string("sim")};
  window.findChild<QPushButton*>("PortSelect")->click();
  EXPECT_EQ(dialogs.port_dialogs, 2);
  EXPECT_TRUE(program.port().IsOpen());
  EXPECT_TRUE(testing::WaitFor([&] { return text("PortName") == "Port: sim"; }));
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

#if defined(__linux__)
// A pseudo-terminal stands in for a serial device: bytes go both ways, CTS counts as on (a pty
// has no modem lines), and hanging up the far end closes the port once instead of spinning.
TEST_F(ShellTest, SerialBackendOverAPseudoTerminal) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  std::string slave = ptsname(master);

  qt::QtClock clock;
  SimProvider sim(clock);
  int events = 0;
  qt::QtPortProvider provider(sim, [&] { ++events; });
  auto ports = provider.ListPorts();
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports.back().name, "sim");

  std::unique_ptr<PortConnection> port = provider.Open(slave);
  EXPECT_TRUE(port->Cts());
  port->Write("AT\r\n");
  EXPECT_TRUE(testing::WaitFor([&] { return port->BytesToWrite() == 0; }));
  char buf[64] = {};
  ssize_t n = 0;
  EXPECT_TRUE(testing::WaitFor([&] {
    ssize_t r = read(master, buf + n, sizeof buf - 1 - n);
    if (r > 0) n += r;
    return n >= 4;
  }));
  EXPECT_EQ(std::string(buf, 2), "AT");

  ASSERT_EQ(write(master, "OK\r\n", 4), 4);
  EXPECT_TRUE(testing::WaitFor([&] { return port->BytesAvailable() >= 4; }));
  char in[8] = {};
  EXPECT_EQ(port->Read(in, sizeof in), 4u);
  EXPECT_EQ(std::string(in, 4), "OK\r\n");
  EXPECT_TRUE(port->Failure().empty());

  close(master);
  EXPECT_TRUE(testing::WaitFor([&] { return !port->Failure().empty(); }));
  EXPECT_EQ(port->Failure(), serial::kAdapterDisconnected) << "not the system's ioctl text";
  int after = events;
  testing::WaitFor([] { return false; }, 100);
  EXPECT_LE(events - after, 1) << "a hung-up port must not keep raising events";

  EXPECT_THROW(provider.Open("/dev/no-such-port"), AppError);
}

// A device the user may not open names the group to join: the device's own, else "dialout".
TEST_F(ShellTest, NoPermissionNamesTheGroupThatOwnsTheDevice) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString device = dir.filePath("ttyUSB7");
  { std::ofstream(device.toStdString()) << ""; }
  QString group = QFileInfo(device).group();
  ASSERT_FALSE(group.isEmpty());
  std::string text = serial::NoPermissionText(device);
  EXPECT_NE(text.find("group \"" + group.toStdString() + "\" that owns " + device.toStdString()),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("usermod -a -G " + group.toStdString()), std::string::npos) << text;
  EXPECT_NE(serial::NoPermissionText("/dev/gone").find("group \"dialout\""), std::string::npos);
}
#endif

}  // namespace
}  // namespace vrkt
