#include <gtest/gtest.h>

#include <algorithm>

#include "transfer_fixture.h"

namespace vrkt::testing {
namespace {

void Configure(Harness& h, bool dvg, bool is4g = false) {
  SimConfig c;
  c.family = dvg ? SimFamily::kDvg : SimFamily::kVrkt;
  c.is4g = is4g;
  c.capacity = 60;
  h.sim.unit().Configure(c);
}

TEST(ReadAllTest, RoundTripRestoresEveryControlAndRow) {
  for (bool dvg : {false, true}) {
    const char* program = dvg ? "DVG1Cset" : "VRKTset";
    SCOPED_TRACE(program);
    Harness writer(program);
    Configure(writer, dvg);
    writer.Start();
    StopAndLoad(writer);
    Form1& f = writer.program->form;
    FillEveryControl(f, dvg);
    // The other variant's port entry is an ordinary row here and goes back as one.
    f.PhoneBook1.mutable_rows() = {"Jan Novak=+420603", "Caretaker=777", "Caretaker=778",
                                   dvg ? "PORTCLOSE=5" : "PORTOPEN2=5"};
    const auto written = CarriedState(f, dvg);
    ClickOn(writer, f.SaveGDI);
    ASSERT_TRUE(writer.RunUntil([&] { return !writer.program->op.WriteAllRunning; }));
    ASSERT_TRUE(writer.dialogs.messages.empty()) << writer.dialogs.messages.front();

    Harness reader(program);
    Configure(reader, dvg);
    reader.sim.unit().card() = writer.sim.unit().card();
    reader.Start();
    StopAndLoad(reader);
    EXPECT_EQ(CarriedState(reader.program->form, dvg), written);
    EXPECT_TRUE(reader.dialogs.messages.empty()) << reader.dialogs.messages.front();
  }
}

TEST(ReadAllTest, VersionPanelPerVariant) {
  struct Case {
    const char* program;
    bool dvg, is4g;
    const char* panel;
  } cases[] = {
      {"VRKTset", false, false, " VRKT Ver: 214"},
      {"DVG1Cset", true, false, " DVG1C Ver: 214"},
      {"VRKT4Gset", false, true, " VRKT4G Ver: 214"},
      {"DVG4Gset", true, true, " VRKT4G Ver: 214"},
  };
  for (const Case& c : cases) {
    Harness h(c.program);
    Configure(h, c.dvg, c.is4g);
    h.Start();
    StopAndLoad(h);
    EXPECT_EQ(h.program->form.StatusBar1.panel(4), c.panel) << c.program;
  }
}

TEST(ReadAllTest, GridReplacedOnLoadKeptOnStopWithoutRows) {
  Harness h("VRKTset");
  SimConfig c;
  c.prefill = false;
  c.capacity = 30;
  h.sim.unit().Configure(c);
  h.sim.unit().card().Write(1, "111", std::nullopt, "MASTER1");
  h.Start();
  Form1& f = h.program->form;
  f.PhoneBook1.mutable_rows() = {"Old=1"};
  // A read after Stop from a SIM without ordinary entries leaves the grid alone.
  ClickOn(h, f.StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return f.MASTER1.text() == "111"; }));
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }));
  EXPECT_EQ(f.PhoneBook1.rows(), std::vector<std::string>{"Old=1"});
  // Load empties it first; the first ordinary entry replaces, the next ones append.
  h.sim.unit().card().Write(2, "222", std::nullopt, "Ann");
  h.sim.unit().card().Write(3, "333", std::nullopt, "PORTOPEN1");
  ASSERT_TRUE(h.RunUntil([&] { return f.RunGDI.visible(); }));
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }));
  EXPECT_EQ(f.PhoneBook1.rows(), (std::vector<std::string>{"Ann=222", "PORTOPEN1=333"}));
  // An empty SIM answers "not found": the read ends without a word and the grid is empty.
  h.sim.unit().card().Reset(30);
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }));
  h.RunFor(6000);
  EXPECT_TRUE(f.PhoneBook1.rows().empty());
  EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
}

// Load pressed while the read that Stop started is still listing entries is refused: two readings
// at once would put every ordinary entry into the grid twice.
TEST(ReadAllTest, LoadDuringARunningReadIsRefused) {
  Harness h("VRKTset");
  h.Start();
  Form1& f = h.program->form;
  auto operator_queries = [&] {
    int n = 0;
    for (const auto& c : h.sim.unit().commands()) n += c.line == "AT+COPS?";
    return n;
  };
  ClickOn(h, f.StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.program->transfer.ReadRunning(); }));
  ClickOn(h, f.LoadGDI);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("still being read"), std::string::npos);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  EXPECT_EQ(operator_queries(), 1);
  // Once the read is over, Load works again and fills the grid once.
  h.RunFor(2500);
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(operator_queries(), 2);
  std::vector<std::string> rows = f.PhoneBook1.rows();
  ASSERT_FALSE(rows.empty());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end()), rows.end()) << "a row came twice";
}

TEST(ReadAllTest, DecodeErrorIsShownAndTheReadGoesOn) {
  Harness h("VRKTset");
  Configure(h, false);
  // A 20-character value with "#" at a digit position.
  h.sim.unit().card().Write(9, "##4#3#9#3#5#30#3#2#0", std::nullopt, "PARVRKT");
  h.sim.unit().card().Write(40, "999", std::nullopt, "Last");
  h.Start();
  StopAndLoad(h);
  Form1& f = h.program->form;
  ASSERT_FALSE(h.dialogs.messages.empty());
  EXPECT_EQ(h.dialogs.messages[0], "'#' is not a valid integer value");
  EXPECT_EQ(f.PhoneBook1.rows().back(), "Last=999");
  EXPECT_FALSE(h.program->transfer.ReadRunning());
  h.RunFor(6000);
  for (const std::string& m : h.dialogs.messages) EXPECT_EQ(m.find("stopped"), std::string::npos);
}

TEST(ReadAllTest, SilentUnitStopsTheReadAndCleansUp) {
  Harness h("VRKTset");
  Configure(h, false);
  h.Start();
  StopAndLoad(h);
  Form1& f = h.program->form;
  h.sim.unit().faults().silent = true;
  ClickOn(h, f.LoadGDI);
  const int64_t t0 = h.clock.NowMs();
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }));
  EXPECT_NEAR(h.clock.NowMs() - t0, CommandLink::kReplyDeadlineMs, 50);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_NE(h.dialogs.messages[0].find("waiting for the operator"), std::string::npos);
  EXPECT_EQ(h.MonitorCount("read stopped: the unit gave no answer"), 1);
  h.RunFor(CommandLink::kLateAnswerMs);  // the margin for a late answer
  EXPECT_FALSE(f.TransferDeadline.is_enabled());
  // The next read works.
  h.sim.unit().faults().silent = false;
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }));
  EXPECT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.PhoneBook1.rows().size(), 4u);
}

}  // namespace
}  // namespace vrkt::testing
