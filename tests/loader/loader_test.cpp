// Loader runs end to end against the simulated unit, in virtual time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "support/harness.h"

namespace vrkt {
namespace {

namespace fs = std::filesystem;

// Records Monitor lines and Prubeh positions with the virtual time they appeared.
class Recorder : public FormObserver {
 public:
  explicit Recorder(testing::Harness& h) : h_(h) { h.program->form.AddObserver(this); }
  ~Recorder() override { h_.program->form.RemoveObserver(this); }
  void ControlChanged(Control& c, Aspect a) override {
    Form1& f = h_.program->form;
    if (&c == &f.Monitor && a == Aspect::kItems) {
      std::string line = f.Monitor.lines().back();
      // Received lines carry "[hh:mm:ss]   "; the time is checked on the clock instead.
      if (line.size() >= 13 && line[0] == '[' && line.compare(9, 4, "]   ") == 0) line.erase(0, 13);
      monitor.push_back(line);
      monitor_ms.push_back(h_.clock.NowMs());
    }
    if (&c == &f.Prubeh && a == Aspect::kValue) positions.push_back(f.Prubeh.position());
  }
  int64_t TimeOf(const std::string& line, int nth = 0) const {
    for (size_t i = 0; i < monitor.size(); ++i)
      if (monitor[i] == line && nth-- == 0) return monitor_ms[i];
    return -1;
  }
  std::vector<std::string> monitor;
  std::vector<int64_t> monitor_ms;
  std::vector<int> positions;

 private:
  testing::Harness& h_;
};

class LoaderRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_cwd_ = fs::current_path();
    std::random_device rd;
    dir_ = fs::temp_directory_path() / ("vrkt_loader_" + std::to_string(rd()));
    fs::create_directories(dir_);
    fs::current_path(dir_);
    h_.AnswerWhileRunning();
    h_.Start();
    h_.RunFor(1000);  // echo off, the start-up settles
    h_.program->form.Monitor.Clear();
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  void Click(Button& b) {
    h_.program->Run([&] { b.on_click(); });
  }
  void SendList(const std::vector<std::string>& lines) {
    h_.program->form.List.SetLines(lines);
    Click(h_.program->form.Send);
  }
  // Command lines the unit took since `from`.
  std::vector<std::string> Commands(size_t from = 0) {
    std::vector<std::string> out;
    const auto& all = h_.sim.unit().commands();
    for (size_t i = from; i < all.size(); ++i) out.push_back(all[i].line);
    return out;
  }
  bool LoaderIdle() {
    const Loader& loader = h_.program->loader;
    return !loader.waiting_for_send_event() && loader.upload_data().empty() &&
           !h_.program->loader.running() && !h_.program->form.Prubeh.visible() &&
           !h_.program->form.CancelSend.visible() && !h_.program->form.LoaderDeadline.is_enabled();
  }
  // An unrelated "OK" after the run must not send anything for the list.
  void ExpectUnrelatedOkIgnored() {
    size_t before = h_.sim.unit().commands().size();
    h_.program->Run([&] { h_.program->Send("AT\r\n"); });
    // A command of the run may still be out: the next one waits for its answer or deadline.
    h_.RunFor(Loader::kDeadlineMarginMs + 3000);
    EXPECT_EQ(Commands(before), std::vector<std::string>{"AT"});
  }

  static std::string Bytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
  }

  testing::Harness h_;
  fs::path dir_;
  fs::path old_cwd_;
};

TEST_F(LoaderRunTest, ScriptThenRunIsTheWorkedSequence) {
  const std::string script = Bytes(300, 1);
  WriteFile("demo.scr", script);
  Recorder rec(h_);
  size_t from = h_.sim.unit().commands().size();
  int64_t t0 = h_.clock.NowMs();
  SendList({"demo.scr", "RUN:demo.scr"});
  EXPECT_EQ(h_.program->form.Prubeh.max(), 3);
  EXPECT_TRUE(h_.program->form.Prubeh.visible());
  EXPECT_TRUE(h_.program->form.CancelSend.visible());
  EXPECT_TRUE(h_.program->form.TimerCTS.is_enabled());
  ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 10000));
  h_.RunFor(2000);

  EXPECT_EQ(Commands(from),
            (std::vector<std::string>{"AT#WSCRIPT=demo.scr,300", "AT#ESCRIPT=demo.scr"}));
  EXPECT_EQ(h_.sim.unit().scripts().at("demo.scr"), script);
  EXPECT_EQ(h_.sim.unit().run_script(), "demo.scr");
  EXPECT_EQ(rec.monitor, (std::vector<std::string>{"AT#WSCRIPT=demo.scr,300", "send buffer", ">>>",
                                                   "OK", "AT#ESCRIPT=demo.scr", "OK",
                                                   "Loader list done: 2 lines sent."}));
  EXPECT_EQ(rec.positions, (std::vector<int>{1, 2}));  // the first "OK" keeps position 1
  EXPECT_TRUE(h_.dialogs.messages.empty());

  // Times: the command at the click, the data 500 ms after the prompt, the next command 500 ms
  // after each "OK", and the end of the run 500 ms after the last one.
  EXPECT_EQ(rec.TimeOf("AT#WSCRIPT=demo.scr,300"), t0);
  int64_t prompt = rec.TimeOf("send buffer");
  int64_t data_wire_ms = 300 * 1000 / 11520;
  int64_t ok1 = rec.TimeOf("OK");
  EXPECT_GE(ok1 - prompt, 500 + data_wire_ms + 200);  // the module writes its flash after the data
  EXPECT_LE(ok1 - prompt, 500 + data_wire_ms + 215);
  EXPECT_EQ(rec.TimeOf("AT#ESCRIPT=demo.scr") - ok1, 500);
  const auto& cmds = h_.sim.unit().commands();
  EXPECT_LE(cmds.back().at_ms - ok1, 503);
}

TEST_F(LoaderRunTest, SendPressedAgainWhileTheUnitWaitsForDataStartsOverCleanly) {
  // The first list's script is announced; before its prompt comes, Send starts another list.
  // The unit waits for the announced bytes: they go, and the second list follows intact.
  const std::string first(27, 'a'), second(3000, 'b');
  WriteFile("first.scr", first);
  WriteFile("second.scr", second);
  SendList({"first.scr"});
  SendList({"second.scr"});
  ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 60000));
  h_.RunFor(1000);
  ASSERT_EQ(h_.sim.unit().scripts().count("second.scr"), 1u);
  EXPECT_TRUE(h_.sim.unit().scripts().at("second.scr") == second);
  if (h_.sim.unit().scripts().count("first.scr")) {
    EXPECT_TRUE(h_.sim.unit().scripts().at("first.scr") == first);
  }
  for (const std::string& c : Commands())
    EXPECT_TRUE(c.rfind("AT", 0) == 0 || c.rfind("<data", 0) == 0) << c;
  EXPECT_TRUE(h_.dialogs.messages.empty());
}

TEST_F(LoaderRunTest, SendFileWaitsForItsEventBeforeTheNextLine) {
  const std::string clip = Bytes(5000, 2);
  WriteFile("clip1.dat", clip);
  h_.program->settings.WaitSer = 1500;
  Recorder rec(h_);
  size_t from = h_.sim.unit().commands().size();
  int64_t t0 = h_.clock.NowMs();
  SendList({"ASEND:clip1.dat", "SET:AT+CMEE=2"});
  ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 20000));

  EXPECT_EQ(Commands(from),
            (std::vector<std::string>{"AT#ASEND=clip1.dat,5000", "AT", "AT+CMEE=2"}));
  EXPECT_EQ(h_.sim.unit().files().at("clip1.dat"), clip);
  EXPECT_EQ(rec.TimeOf("AT#ASEND=clip1.dat,5000") - t0, 1500);  // WaitSer before the command
  // The "OK" right after the data is not the loader's; the one after "#ASENDEV:" and "AT" is.
  int64_t event = -1;
  for (size_t i = 0; i < rec.monitor.size(); ++i)
    if (rec.monitor[i].find("#ASENDEV:") != std::string::npos) event = rec.monitor_ms[i];
  ASSERT_GE(event, 0);
  EXPECT_GT(rec.TimeOf("AT+CMEE=2"), event);
  EXPECT_EQ(rec.TimeOf("AT+CMEE=2") - rec.TimeOf("OK", 1), 500);
}

TEST_F(LoaderRunTest, TextFileWithAn8BitByteIsRejectedOtherNamesAreSentAsIs) {
  const std::string bytes = std::string("print 1\r\n") + '\xe9' + "\r\n";
  WriteFile("NOTES.txt", bytes);
  WriteFile("notes.bin", bytes);
  size_t from = h_.sim.unit().commands().size();
  SendList({"NOTES.txt", "SET:AT+CMEE=2"});
  EXPECT_TRUE(LoaderIdle());
  EXPECT_EQ(h_.program->form.Monitor.lines().back(), "Error in file: NOTES.txt");
  h_.RunFor(1000);
  EXPECT_TRUE(Commands(from).empty());
  ExpectUnrelatedOkIgnored();

  from = h_.sim.unit().commands().size();
  SendList({"notes.bin"});
  ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 10000));
  EXPECT_EQ(Commands(from), std::vector<std::string>{"AT#WSCRIPT=notes.bin,12"});
  EXPECT_EQ(h_.sim.unit().scripts().at("notes.bin"), bytes);
}

TEST_F(LoaderRunTest, DataBeyondOneQueueGoesInPiecesAfterEachDrain) {
  struct Case {
    size_t size;
    int flushes;
  } cases[] = {{64000, 0}, {64001, 1}, {1 << 20, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string name = "big" + std::to_string(c.size) + ".scr";
    const std::string data = Bytes(c.size, static_cast<uint32_t>(c.size));
    WriteFile(name, data);
    h_.program->form.Monitor.Clear();
    int64_t t0 = h_.clock.NowMs();
    SendList({name});
    ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 200000));
    ASSERT_EQ(h_.sim.unit().scripts().count(name), 1u);
    EXPECT_TRUE(h_.sim.unit().scripts().at(name) == data) << "received bytes differ";
    EXPECT_EQ(h_.MonitorCount("flush buffer"), c.flushes);
    EXPECT_TRUE(h_.dialogs.messages.empty());
    // The wire is the limit: the run takes the data's line time plus pauses and drain waits.
    int64_t wire_ms = static_cast<int64_t>(c.size) * 1000 / 11520;
    EXPECT_GE(h_.clock.NowMs() - t0, wire_ms);
    EXPECT_LE(h_.clock.NowMs() - t0, wire_ms + 3000 + c.flushes * 1000);
  }
}

TEST_F(LoaderRunTest, MissingFileIsReportedAndEndsTheRun) {
  size_t from = h_.sim.unit().commands().size();
  SendList({"nothere.scr", "RUN:x"});
  EXPECT_EQ(h_.dialogs.messages, std::vector<std::string>{"File not found"});
  EXPECT_TRUE(LoaderIdle());
  EXPECT_TRUE(h_.program->form.TimerCTS.is_enabled());
  h_.RunFor(1000);
  EXPECT_TRUE(Commands(from).empty());
  ExpectUnrelatedOkIgnored();
}

TEST_F(LoaderRunTest, EmptyListAndEmptyFileSendNothingAndLeaveNoRunBehind) {
  WriteFile("empty.scr", "");
  for (const std::vector<std::string>& list :
       {std::vector<std::string>{}, std::vector<std::string>{"empty.scr", "RUN:x"},
        std::vector<std::string>{"ASEND:empty.scr", "RUN:x"}}) {
    size_t from = h_.sim.unit().commands().size();
    SendList(list);
    EXPECT_TRUE(LoaderIdle());
    EXPECT_TRUE(Commands(from).empty());
    ExpectUnrelatedOkIgnored();
  }
  EXPECT_EQ(h_.MonitorCount("Nothing to send in file: empty.scr"), 1);
  EXPECT_EQ(h_.MonitorCount("Nothing to send in file: ASEND:empty.scr"), 1);
}

TEST_F(LoaderRunTest, CancelStopsARunThatWaits) {
  h_.sim.unit().faults().silent = true;
  SendList({"SET:AT+CMEE=2", "RUN:x"});
  h_.RunFor(2000);
  EXPECT_TRUE(h_.program->form.CancelSend.enabled());
  Click(h_.program->form.CancelSend);
  EXPECT_TRUE(LoaderIdle());
  EXPECT_EQ(h_.program->form.Monitor.lines().back(), "Loader list cancelled");
  h_.sim.unit().faults().silent = false;
  ExpectUnrelatedOkIgnored();
  EXPECT_TRUE(h_.dialogs.messages.empty());
}

TEST_F(LoaderRunTest, AStepWithoutUsableReplyEndsTheRunWithWhatHappened) {
  const std::string no_answer =
      "The unit did not answer line 1 of the loader list in time. The list was stopped.";
  struct Case {
    const char* what;
    std::vector<std::string> list;
    std::function<void(SimFaults&)> fault;
    std::string message;
    int64_t within_ms;
  } cases[] = {
      {"silent",
       {"SET:AT+CMEE=2", "RUN:x"},
       [](SimFaults& f) { f.silent = true; },
       no_answer,
       Loader::kDeadlineMarginMs + 3000},
      // A refusal ends the run at once and says what was refused.
      {"error",
       {"RUN:x", "RUN:y"},
       [](SimFaults& f) { f.error_on = {"AT#ESCRIPT"}; },
       "The unit refused line 1 (AT#ESCRIPT=x): ERROR. The list was stopped.",
       1000},
      {"cme error",
       {"DEL:gone.py", "RUN:y"},
       nullptr,
       "The unit refused line 1 (AT#DSCRIPT=gone.py): ERROR. The list was stopped.",
       1000},
      // The data goes out, but the unit falls silent before the file's event.
      {"no event",
       {"ASEND:clip.dat", "RUN:x"},
       nullptr,
       no_answer,
       Loader::kDeadlineMarginMs + 3000},
  };
  WriteFile("clip.dat", Bytes(100, 3));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    h_.sim.unit().Configure(testing::AnsweringConfig());
    h_.program->Run([&] { h_.program->Send("ATE0\r\n"); });
    h_.RunFor(1000);
    if (c.fault) c.fault(h_.sim.unit().faults());
    h_.dialogs.messages.clear();
    int64_t t0 = h_.clock.NowMs();
    SendList(c.list);
    if (c.list[0].rfind("ASEND:", 0) == 0) {
      ASSERT_TRUE(h_.RunUntil([&] { return h_.sim.unit().files().count("clip.dat") > 0; }, 10000));
      h_.sim.unit().faults().silent = true;
    }
    ASSERT_TRUE(h_.RunUntil([&] { return !h_.dialogs.messages.empty(); }, 60000));
    EXPECT_LE(h_.clock.NowMs() - t0, c.within_ms);
    EXPECT_EQ(h_.dialogs.messages.back(), c.message);
    EXPECT_EQ(h_.program->loader.last_outcome().kind,
              c.message == no_answer ? SequenceOutcome::kNoAnswer : SequenceOutcome::kRefused);
    EXPECT_TRUE(LoaderIdle());
    h_.sim.unit().faults() = SimFaults{};
    ExpectUnrelatedOkIgnored();
  }
}

TEST_F(LoaderRunTest, LoadListAppendsLinesAndMovesTheWorkingDirectory) {
  fs::create_directories(dir_ / "lists");
  std::ofstream(dir_ / "lists" / "a.ifo", std::ios::binary)
      << "demo.scr\r\nRUN:demo.scr\r\n\x1a junk";
  std::ofstream(dir_ / "lists" / "demo.scr", std::ios::binary) << "x";
  testing::ScriptedDialogs& d = h_.dialogs;
  std::u8string list_path = (dir_ / "lists" / "a.ifo").u8string();
  d.file_answers = {std::string(list_path.begin(), list_path.end()), std::nullopt,
                    std::string("a.ifo"), std::string("missing.ifo")};
  Button& load = h_.program->form.LoadList;
  Click(load);
  EXPECT_EQ(d.file_options.back().filter, "info for download (*.ifo)|*.ifo");
  std::u8string start = dir_.u8string();
  EXPECT_EQ(d.file_options.back().initial_dir, std::string(start.begin(), start.end()));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir_ / "lists"));
  Click(load);  // cancelled: nothing changes
  Click(load);  // the same list again, now by a name next to the first
  EXPECT_EQ(h_.program->form.List.lines(),
            (std::vector<std::string>{"demo.scr", "RUN:demo.scr", "demo.scr", "RUN:demo.scr"}));
  Click(load);
  EXPECT_EQ(d.messages, std::vector<std::string>{"File not found: missing.ifo"});
  EXPECT_EQ(h_.program->form.List.LineCount(), 4u);

  // Names without a folder are now found next to the list.
  SendList({"demo.scr"});
  ASSERT_TRUE(h_.RunUntil([&] { return LoaderIdle(); }, 10000));
  EXPECT_EQ(h_.sim.unit().scripts().at("demo.scr"), "x");

  Click(h_.program->form.ClrList);
  EXPECT_EQ(h_.program->form.List.LineCount(), 0u);
}

}  // namespace
}  // namespace vrkt
