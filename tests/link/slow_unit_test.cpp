// Units as real modules behave: slow, trickling, noisy, echoing, framed either way. Whatever the
// unit does, the wire never carries a command while another one waits for its answer, and a
// reported success means the window and the SIM agree.
#include <gtest/gtest.h>

#include <functional>

#include "link/command_link.h"
#include "support/harness.h"
#include "transfer/transfer_fixture.h"
#include "unit/status.h"

namespace vrkt {
namespace {

using testing::Harness;

constexpr SimFraming kFramings[] = {SimFraming::kPlain, SimFraming::kModule};

const char* FramingName(SimFraming f) { return f == SimFraming::kPlain ? "plain" : "module"; }

std::vector<std::string> Overlaps(Harness& h) {
  return CommandsSentWhileAnotherAwaited(h.unit().transcript(),
                                         h.program->link.reply_deadline_ms() + 100);
}

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + "\n";
  return out;
}

// The ordinary entries of the SIM as "name=number" rows, in SIM order.
std::vector<std::string> SimRows(Harness& h) {
  std::vector<std::string> rows;
  const SimCard& card = h.unit().card();
  for (int i = 1; i <= card.capacity(); ++i) {
    const auto& e = card.At(i);
    if (!e) continue;
    const std::string& n = e->text;
    if (n.rfind("MASTER", 0) == 0 || n.rfind("TEST", 0) == 0 || n.rfind("PORT", 0) == 0 ||
        n == "PARVRKT" || n == "PARRL1" || n == "VOLTAGE" || n == "VER" || n == "TINPUTS" ||
        n == "SDATA")
      continue;
    rows.push_back(n + "=" + e->number);
  }
  return rows;
}

// The SIM's entries in order, without their positions and without the version entry, which
// belongs to the unit and which a write-all leaves out.
std::vector<std::string> EntriesOf(Harness& h) {
  std::vector<std::string> c;
  const SimCard& card = h.unit().card();
  for (int i = 1; i <= card.capacity(); ++i)
    if (const auto& e = card.At(i); e && e->text != "VER") c.push_back(e->text + "=" + e->number);
  return c;
}

// Starts the program against a unit of this kind and lets it settle.
void StartWith(Harness& h, const SimConfig& config, const std::function<void(SimFaults&)>& faults) {
  h.unit().Configure(config);
  if (faults) faults(h.unit().faults());
  h.Start();
  h.RunFor(1000);
}

// Presses Stop and runs until the read that the stop report starts has ended.
bool StopAndRead(Harness& h, int64_t limit_ms = 120000) {
  Form1& f = h.form();
  h.Click(f.StopGDI);
  if (!h.RunUntil([&] { return h.MonitorCount("STOP") > 0; }, 20000)) return false;
  return h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, limit_ms);
}

bool LoadAgain(Harness& h, int64_t limit_ms = 120000) {
  h.Click(h.form().LoadGDI);
  return h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, limit_ms);
}

TEST(SlowUnitTest, SlowUnitsAreReadWholeOneCommandAtATime) {
  for (SimFraming framing : kFramings) {
    for (int latency : {2500, 3000, 4900}) {
      SCOPED_TRACE(std::string(FramingName(framing)) + " " + std::to_string(latency));
      Harness h;
      SimConfig config;
      config.framing = framing;
      StartWith(h, config, [latency](SimFaults& f) { f.latency_ms = latency; });
      ASSERT_TRUE(StopAndRead(h));
      // The polls fall due meanwhile; they wait their turn and are answered too.
      h.RunFor(45000);
      EXPECT_TRUE(h.dialogs.messages.empty()) << Join(h.dialogs.messages);
      EXPECT_EQ(h.program->op.SimCapacity, 250);
      EXPECT_EQ(h.form().MASTER1.text(), "+420731555201");
      EXPECT_EQ(h.form().PhoneBook1.rows(), SimRows(h));
      EXPECT_GE(h.CommandTime("AT+CSQ"), 0);
      EXPECT_EQ(h.form().Voltage.caption(), "3850 mV");
      EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
    }
  }
}

TEST(SlowUnitTest, RefusalUnderLatencyNamesTheRefusedPosition) {
  for (SimFraming framing : kFramings) {
    SCOPED_TRACE(FramingName(framing));
    Harness h;
    SimConfig config;
    config.framing = framing;
    config.capacity = 40;
    StartWith(h, config, [](SimFaults& f) { f.latency_ms = 2500; });
    ASSERT_TRUE(StopAndRead(h));
    const testing::SimContent before = testing::SimContentOf(h);
    h.form().MASTER1.SetText("+420111222333");
    h.unit().faults().error_on = {"AT+CPBW=13,"};
    h.Click(h.form().SaveGDI);
    ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 600000));
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    const std::string& m = h.dialogs.messages[0];
    EXPECT_NE(m.find("to SIM position 13 ("), std::string::npos) << m;
    EXPECT_NE(m.find("SIM positions 1 to 12 were written. Positions 13 to 40 were not written."),
              std::string::npos)
        << m;
    // What the message says is what the SIM holds: new up to 12, old from 13 on.
    const testing::SimContent after = testing::SimContentOf(h);
    EXPECT_EQ(h.unit().card().At(3)->number, "+420111222333");
    for (size_t i = 12; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
    EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
    // No poll went out between the write's first command and its end.
    const auto& t = h.unit().transcript();
    bool writing = false;
    for (const SimExchange& e : t) {
      if (e.line == "AT" && !writing) writing = true;
      if (writing) {
        EXPECT_NE(e.line, "AT+CSQ");
      }
      if (e.line.rfind("AT+CPBW=13,", 0) == 0) break;
    }
  }
}

TEST(SlowUnitTest, TricklingListingKeepsItsDeadlineAndHoldsThePollsBack) {
  Harness h;
  SimConfig config;
  StartWith(h, config, [](SimFaults& f) { f.listing_ms_per_byte = 10; });
  for (int i = 17; i <= 40; ++i)
    h.unit().card().Write(i, "+42060" + std::to_string(1000000 + i), std::nullopt,
                          "Flat " + std::to_string(i));
  ASSERT_TRUE(StopAndRead(h));
  h.RunFor(15000);
  EXPECT_TRUE(h.dialogs.messages.empty()) << Join(h.dialogs.messages);
  EXPECT_EQ(h.form().PhoneBook1.rows(), SimRows(h));
  EXPECT_EQ(h.form().PhoneBook1.rows().size(), 28u);
  EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
  // The listing took far longer than one reply deadline.
  const auto& t = h.unit().transcript();
  for (const SimExchange& e : t) {
    if (e.line == "AT+CPBR=1,250") {
      EXPECT_GT(e.answered_us - e.last_byte_us, 10'000'000);
    }
  }
}

TEST(SlowUnitTest, EchoLeftOnNeverDoublesTheGridOrTheSim) {
  for (bool stuck : {false, true}) {
    SCOPED_TRACE(stuck ? "echo stuck on" : "echo after the PIN");
    Harness h;
    SimConfig config;
    config.pin_enabled = true;
    StartWith(h, config, [stuck](SimFaults& f) { f.echo_stuck = stuck; });
    ASSERT_TRUE(StopAndRead(h));
    h.form().PIN.SetText("1234");
    h.Click(h.form().UNPIN);
    ASSERT_TRUE(h.RunUntil([&] { return !h.program->pin.Running(); }, 30000));
    EXPECT_EQ(h.unit().echo(), stuck);
    EXPECT_FALSE(h.unit().card().pin_enabled);
    ASSERT_TRUE(LoadAgain(h));
    EXPECT_EQ(h.form().PhoneBook1.rows(), SimRows(h));
    const std::vector<std::string> before = EntriesOf(h);
    h.Click(h.form().SaveGDI);
    ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 600000));
    EXPECT_TRUE(h.dialogs.messages.empty()) << Join(h.dialogs.messages);
    // Every entry as it was: nothing written twice, nothing lost.
    EXPECT_EQ(EntriesOf(h), before);
    EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
  }
}

TEST(SlowUnitTest, NoisyReadIsWholeAndRightOrSaysItWasDamaged) {
  int clean = 0;
  int damaged = 0;
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    Harness h;
    StartWith(h, SimConfig{}, nullptr);
    ASSERT_TRUE(StopAndRead(h));
    const auto reference = testing::CarriedState(h.form(), false);
    // The window is emptied so that a read that took nothing cannot pass for a good one.
    h.form().MASTER1.SetText("");
    h.form().PhoneBook1.mutable_rows().clear();
    // 1 % of the bytes, or a light 0.2 %, so that both outcomes occur.
    h.unit().faults().line_noise = seed % 2 ? 0.01 : 0.002;
    h.unit().faults().noise_seed = seed;
    h.dialogs.messages.clear();
    ASSERT_TRUE(LoadAgain(h));
    if (h.dialogs.messages.empty()) {
      ++clean;
      EXPECT_EQ(testing::CarriedState(h.form(), false), reference);
    } else {
      ++damaged;
      const std::string& m = h.dialogs.messages.back();
      EXPECT_TRUE(m.find("was damaged") != std::string::npos ||
                  m.find("could not be read (line noise?)") != std::string::npos)
          << m;
      EXPECT_EQ(h.form().MASTER1.text(), "");  // nothing of the damaged reading was taken
    }
    EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
  }
  // The seeds give both outcomes, so both branches above were checked.
  EXPECT_GT(clean, 0);
  EXPECT_GT(damaged, 0);
}

TEST(SlowUnitTest, EntryLineArrivingDuringAWriteIsNeitherTakenNorSent) {
  Harness h;
  SimConfig config;
  config.capacity = 40;
  StartWith(h, config, nullptr);
  ASSERT_TRUE(StopAndRead(h));
  const auto rows = h.form().PhoneBook1.rows();
  h.Click(h.form().SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return h.program->op.WriteStep >= 26; }, 60000));
  h.unit().Inject("\r\n+CPBR: 16,\"1;+CPBW=5,,x\",129,\"Evil\"\r\n");
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 60000));
  EXPECT_TRUE(h.dialogs.messages.empty()) << Join(h.dialogs.messages);
  EXPECT_EQ(h.form().PhoneBook1.rows(), rows);
  for (const std::string& c : h.Commands()) {
    EXPECT_EQ(c.find(";+CPBW"), std::string::npos) << c;
  }
  EXPECT_EQ(h.unit().card().Find("Evil"), 0);
}

TEST(SlowUnitTest, EveryWaitEndsWhateverIsPressedMeanwhile) {
  Harness h;
  StartWith(h, SimConfig{}, [](SimFaults& f) { f.never_stop = true; });
  Form1& f = h.form();
  h.Click(f.StopGDI);
  h.RunFor(3000);
  f.List.Clear();
  h.Click(f.Send);  // an empty list takes the bar for a moment
  h.RunFor(StatusQueries::kWaitLimitS * 1000);
  EXPECT_FALSE(f.Cekani.is_enabled());
  EXPECT_FALSE(f.Prubeh.visible());
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  // Nothing answered at all, not even the greeting: the unit is said not to answer.
  EXPECT_EQ(h.dialogs.messages[0], h.program->status.NoAnswerMessage());
}

TEST(SlowUnitTest, MainFlowsWorkInBothFramings) {
  for (SimFraming framing : kFramings) {
    SCOPED_TRACE(FramingName(framing));
    Harness h;
    SimConfig config;
    config.framing = framing;
    config.capacity = 40;
    config.pin_enabled = true;
    StartWith(h, config, nullptr);
    Form1& f = h.form();
    ASSERT_TRUE(StopAndRead(h));
    EXPECT_EQ(f.PhoneBook1.rows(), SimRows(h));
    // Write-all of a changed window, then Load brings the same back.
    f.MASTER2.SetText("+420999888777");
    h.program->phonebook.AppendRow("Lift room", "+420555444333");
    h.Click(f.SaveGDI);
    ASSERT_TRUE(h.RunUntil(
        [&] { return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning(); },
        60000));
    ASSERT_EQ(h.dialogs.messages, std::vector<std::string>{"Written and verified: 16 positions."});
    h.dialogs.messages.clear();
    EXPECT_EQ(h.unit().card().At(h.unit().card().Find("MASTER2"))->number, "+420999888777");
    EXPECT_GT(h.unit().card().Find("Lift room"), 0);
    const auto state = testing::CarriedState(f, false);
    ASSERT_TRUE(LoadAgain(h));
    EXPECT_EQ(testing::CarriedState(f, false), state);
    // The status queries.
    h.Click(f.signal);
    h.program->Run([&] { f.Voltage.on_click(); });
    h.program->Run([&] { f.Power.on_click(); });
    h.RunFor(2000);
    EXPECT_EQ(f.Power.caption(), "24.0 V");
    EXPECT_EQ(f.Voltage.caption(), "3850 mV");
    // PIN: a wrong one is refused, the right one switches the request off.
    for (const char* pin : {"1111", "1234"}) {
      f.PIN.SetText(pin);
      h.Click(f.UNPIN);
      ASSERT_TRUE(h.RunUntil([&] { return !h.program->pin.Running(); }, 30000));
      EXPECT_EQ(f.PINOK.color(), std::string(pin) == "1234" ? kGreen : kRed) << pin;
    }
    EXPECT_FALSE(h.unit().card().pin_enabled);
    // A loader list: a command and a script run.
    f.List.SetLines({"SET:AT+CMEE=2", "RUN:gdi.pyo"});
    h.Click(f.Send);
    ASSERT_TRUE(h.RunUntil([&] { return !h.program->loader.running(); }, 60000));
    EXPECT_EQ(h.unit().run_script(), "gdi.pyo");
    EXPECT_EQ(h.program->loader.last_outcome().kind, SequenceOutcome::kDone);
    EXPECT_EQ(h.dialogs.messages.size(), 0u) << Join(h.dialogs.messages);
    EXPECT_TRUE(Overlaps(h).empty()) << Join(Overlaps(h));
  }
}

TEST(SlowUnitTest, DamagedFinalResultIsNotCalledSilence) {
  testing::Harness h;
  h.AnswerWhileRunning();
  h.Start();
  h.RunFor(1000);
  h.unit().faults().silent = true;
  h.form().RunGDI.SetVisible(true);
  h.Click(h.form().LoadGDI);
  h.Feed("+COPS: 0,0,\"SIMNET\"\r\nO\x9bK\r\n");
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].rfind("Reading from the unit stopped: the unit's answer could "
                                        "not be read (line noise?) while waiting for the operator.",
                                        0),
            0u)
      << h.dialogs.messages[0];
  EXPECT_FALSE(h.program->transfer.ReadRunning());
}

}  // namespace
}  // namespace vrkt
