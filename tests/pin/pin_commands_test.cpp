// The PIN commands end to end against the simulated unit, in virtual time.
#include <gtest/gtest.h>

#include "support/harness.h"

namespace vrkt {
namespace {

// Records every colour PINOK takes.
class PinokColours : public FormObserver {
 public:
  explicit PinokColours(Form1& f) : f_(f) { f.AddObserver(this); }
  ~PinokColours() override { f_.RemoveObserver(this); }
  void ControlChanged(Control& c, Aspect a) override {
    if (&c == &f_.PINOK && a == Aspect::kColor) seen.push_back(f_.PINOK.color());
  }
  std::vector<Rgb> seen;

 private:
  Form1& f_;
};

struct PinCase {
  const char* what;
  SimConfig sim;
  const char* typed;
  bool change;  // CodePIN instead of UNPIN
  std::vector<std::string> commands;
  std::vector<Rgb> colours;
  bool pin_enabled_after;
  const char* pin_after;
  // A refusal of "AT+CPIN=" comes during the click's pauses and shows the red indicator then.
  bool shown_after_click;
};

TEST(PinCommandsTest, OutcomeFollowsTheAnswerToTheFinalCommand) {
  SimConfig waiting;  // the SIM asks for its PIN
  waiting.pin_enabled = true;
  waiting.pin_entered = false;
  SimConfig ready = waiting;  // PIN already entered: "AT+CPIN=" is answered with an error
  ready.pin_entered = true;
  // What goes out for a typed PIN: echo on, the PIN, the unlock or the change to 7391, and echo
  // off again.
  auto unlock = [](std::string pin) -> std::vector<std::string> {
    return {"ATE1", "AT+CPIN=" + pin, "AT+CLCK=\"SC\",0," + pin, "ATE0"};
  };
  auto change = [](std::string pin) -> std::vector<std::string> {
    return {"ATE1", "AT+CPIN=" + pin, "AT+CPWD=\"SC\"," + pin + ",7391", "ATE0"};
  };
  const std::vector<Rgb> passed = {kRed, kYellow, kGreen};
  // A PIN that the SIM calls wrong ends it there: nothing more goes, echo stays on.
  const std::vector<std::string> refused = {"ATE1", "AT+CPIN=1111"};
  const PinCase cases[] = {
      {"unlock", waiting, "1234", false, unlock("1234"), passed, false, "1234", false},
      {"wrong pin", waiting, "1111", false, refused, {kRed}, true, "1234", true},
      {"pin not asked, unlock", ready, "1234", false, unlock("1234"), passed, false, "1234",
       true},
      {"pin not asked, change", ready, "1234", true, change("1234"), passed, true, "7391", true},
  };
  for (const PinCase& c : cases) {
    SCOPED_TRACE(c.what);
    testing::Harness h;
    h.sim.unit().Configure(testing::AnsweringConfig(c.sim));
    h.Start();
    h.RunFor(1000);
    Form1& f = h.program->form;
    ASSERT_EQ(f.PINOK.color(), kGreen);  // the start-up's "OK" turned the hidden yellow green
    ASSERT_FALSE(f.PINOK.visible());
    f.PIN.SetText(c.typed);
    PinokColours colours(f);
    size_t from = h.sim.unit().commands().size();
    int64_t t0 = h.clock.NowMs();
    h.program->Run([&] { (c.change ? f.CodePIN : f.UNPIN).on_click(); });
    EXPECT_EQ(h.clock.NowMs() - t0, 2000);
    EXPECT_EQ(f.PINOK.color(), kRed);
    EXPECT_EQ(f.PINOK.visible(), c.shown_after_click);  // the click itself shows nothing
    h.RunFor(3000);

    const auto& cmds = h.sim.unit().commands();
    std::vector<std::string> sent;
    for (size_t i = from; i < cmds.size(); ++i) sent.push_back(cmds[i].line);
    EXPECT_EQ(sent, c.commands);
    ASSERT_EQ(cmds.size() - from, c.commands.size());
    EXPECT_NEAR(cmds[from + 1].at_ms - cmds[from].at_ms, 1000, 3);
    if (c.commands.size() > 2) {
      EXPECT_NEAR(cmds[from + 2].at_ms - cmds[from + 1].at_ms, 1000, 3);
    }
    // Echo off once the PIN command has its answer, never before it.
    EXPECT_EQ(h.sim.unit().echo(), c.commands.size() < 4);
    EXPECT_TRUE(CommandsSentWhileAnotherAwaited(h.sim.unit().transcript(), 5000).empty());
    EXPECT_EQ(colours.seen, c.colours);
    EXPECT_TRUE(f.PINOK.visible());
    EXPECT_EQ(h.sim.unit().card().pin_enabled, c.pin_enabled_after);
    EXPECT_EQ(h.sim.unit().card().pin, c.pin_after);
    EXPECT_EQ(f.PIN.text(), c.typed);  // the field keeps the PIN that was typed
    EXPECT_TRUE(h.dialogs.messages.empty());
  }
}

TEST(PinCommandsTest, EmptyPinIsRefusedWithoutSpendingAnAttempt) {
  testing::Harness h;
  h.AnswerWhileRunning();
  h.Start();
  h.RunFor(1000);
  size_t from = h.sim.unit().commands().size();
  Form1& f = h.program->form;
  for (Button* b : {&f.UNPIN, &f.CodePIN}) h.program->Run([&] { b->on_click(); });
  h.RunFor(3000);
  EXPECT_EQ(h.sim.unit().commands().size(), from);
  ASSERT_EQ(h.dialogs.messages.size(), 2u);
  EXPECT_EQ(h.dialogs.messages[0], "Enter the SIM's current PIN (four digits) first.");
  EXPECT_EQ(f.PINOK.color(), kGreen);
}

}  // namespace
}  // namespace vrkt
