// The link on its own: the command queue, the receiver and the reply routing over a port that
// plays a script, in virtual time, with no program around them.
#include "link/command_link.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/serial_port.h"
#include "link/link_env.h"
#include "link/receiver.h"
#include "link/reply_router.h"
#include "ui/form.h"

namespace vrkt {
namespace {

using Lines = std::vector<std::string>;

// A unit that answers each command with the bytes its script gives, after the given delay. A
// command the script does not name gets no answer. With CTS off, nothing leaves the output queue.
class ScriptedPort : public SerialPort {
 public:
  explicit ScriptedPort(VirtualClock& clock) : clock_(clock) {}

  struct Reply {
    int after_ms;
    std::string bytes;
  };
  void On(const std::string& command, std::vector<Reply> replies) { script_[command] = replies; }
  // Bytes the unit sends `after_ms` from now, unasked or late.
  void Unasked(int after_ms, const std::string& bytes) { Schedule(after_ms, bytes); }
  void SetCts(bool on) {
    cts_ = on;
    if (on) Drain();
  }

  void SendCommand(std::string_view bytes) override {
    held_.emplace_back(bytes);
    if (cts_) Drain();
  }
  unsigned char ReadByte() override {
    Deliver();
    if (input_.empty()) return 0;
    unsigned char c = static_cast<unsigned char>(input_.front());
    input_.pop_front();
    return c;
  }
  size_t BytesAvailable() override {
    Deliver();
    return input_.size();
  }
  size_t OutputFree() override {
    size_t queued = 0;
    for (const std::string& s : held_) queued += s.size();
    return kOutputQueueSize - std::min(queued, kOutputQueueSize);
  }
  bool IsCtsOn() override { return cts_; }
  void SetDtr(bool on) override { dtr_ = on; }
  bool Dtr() const override { return dtr_; }
  int PortNumber() const override { return 1; }
  bool IsOpen() const override { return true; }
  void Close() override {}
  void DiscardOutput() override {
    held_.clear();
    ++discards_;
  }

  // The commands that reached the unit, without line ends.
  const Lines& sent() const { return sent_; }
  int discards() const { return discards_; }
  // When the next scripted byte falls due, or -1.
  int64_t NextDue() const { return pending_.empty() ? -1 : pending_.begin()->first; }

 private:
  void Schedule(int after_ms, const std::string& bytes) {
    pending_.emplace(clock_.NowMs() + after_ms, bytes);
  }
  void Drain() {
    for (const std::string& command : held_) {
      std::string plain = CommandLink::Plain(command);
      sent_.push_back(plain);
      auto it = script_.find(plain);
      if (it == script_.end()) continue;
      for (const Reply& r : it->second) Schedule(r.after_ms, r.bytes);
    }
    held_.clear();
  }
  void Deliver() {
    while (!pending_.empty() && pending_.begin()->first <= clock_.NowMs()) {
      input_.insert(input_.end(), pending_.begin()->second.begin(), pending_.begin()->second.end());
      pending_.erase(pending_.begin());
    }
  }

  VirtualClock& clock_;
  std::map<std::string, std::vector<Reply>> script_;
  std::multimap<int64_t, std::string> pending_;
  std::deque<char> input_;
  std::vector<std::string> held_;
  Lines sent_;
  bool cts_ = true;
  bool dtr_ = false;
  int discards_ = 0;
};

class RecordingLog : public LinkLog {
 public:
  void LogNote(const std::string& note) override { notes.push_back(note); }
  void LogReceived(const std::string& line) override {
    if (!line.empty()) received.push_back(line);  // the empty lines between framing CR LF
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  Lines notes, received, errors;
};

class CommandLinkTest : public ::testing::Test {
 protected:
  CommandLinkTest() {
    form.SetClock(&clock);
    router.Add(
        "other", [](std::string_view line) { return !line.empty(); },
        ReplyRouter::Always([this](std::string& line) { others.push_back(line); }));
  }

  // Sends `command` as a job of its own; its result lands in `results`.
  void Send(const std::string& command, int deadline_ms = 0) {
    link.Begin(LinkUser::kButton, [this, command, deadline_ms] {
      link.Send(
          command + "\r\n",
          [this](const CommandResult& r) {
            results.push_back(r);
            link.End(LinkUser::kButton);
          },
          deadline_ms);
    });
  }
  // Moves time on to `until`, delivering the unit's bytes and the deadline ticks as they fall
  // due, as the event loop does.
  void RunTo(int64_t until) {
    Timer& t = form.TransferDeadline;
    for (;;) {
      if (size_t n = port.BytesAvailable(); n > 0)
        receiver.ApdComPort1TriggerAvail(static_cast<uint16_t>(n));
      if (t.is_enabled() && t.due_ms() <= clock.NowMs()) {
        t.Fire();
        continue;
      }
      int64_t next = INT64_MAX;
      if (port.NextDue() >= 0) next = port.NextDue();
      if (t.is_enabled()) next = std::min(next, t.due_ms());
      if (next > until) break;
      clock.AdvanceTo(next);
    }
    if (clock.NowMs() < until) clock.AdvanceTo(until);
  }
  void RunFor(int64_t ms) { RunTo(clock.NowMs() + ms); }

  VirtualClock clock;
  Form1 form;
  ScriptedPort port{clock};
  RecordingLog log;
  CommandLink link{LinkEnv{port, clock, form.TransferDeadline, log}};
  ReplyRouter router{link};
  LineReceiver receiver{LinkEnv{port, clock, form.TransferDeadline, log}, link, router};
  std::vector<CommandResult> results;
  Lines others;
};

TEST_F(CommandLinkTest, OneCommandInFlightAndEachAnswerEndsItsOwn) {
  port.On("AT+CSQ", {{40, "\r\nAT+CSQ\r\n"}, {60, "\r\n+CSQ: 20,0\r\n"}, {80, "\r\nOK\r\n"}});
  port.On("AT+CGSN", {{30, "\r\nERROR\r\n"}});
  Send("AT+CSQ");
  Send("AT+CGSN");
  EXPECT_EQ(port.sent(), Lines{"AT+CSQ"});  // the second waits for the first one's answer
  RunFor(50);
  EXPECT_EQ(port.sent(), Lines{"AT+CSQ"});  // its echo is no answer
  EXPECT_TRUE(results.empty());
  RunFor(40);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, CommandResult::kOk);
  EXPECT_EQ(results[0].command, "AT+CSQ");
  EXPECT_EQ(others, Lines{"+CSQ: 20,0"});  // the information line goes down the table
  EXPECT_EQ(port.sent(), (Lines{"AT+CSQ", "AT+CGSN"}));
  RunFor(100);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[1].kind, CommandResult::kRefused);
  EXPECT_EQ(results[1].line, "ERROR");
  // A final result with nothing in flight answers nothing.
  port.Unasked(10, "\r\nOK\r\n");
  RunFor(50);
  EXPECT_EQ(results.size(), 2u);
  EXPECT_FALSE(link.InFlight());
  EXPECT_EQ(log.received, (Lines{"AT+CSQ", "+CSQ: 20,0", "OK", "ERROR", "OK"}));
}

TEST_F(CommandLinkTest, DeadlineThenALateAnswerEndsTheLateCommandNotTheNext) {
  port.On("AT", {{1500, "\r\nOK\r\n"}});
  port.On("AT+COPS?", {{20, "\r\nOK\r\n"}});
  Send("AT", 1000);
  Send("AT+COPS?");
  const int64_t sent_at = clock.NowMs();
  RunFor(999);
  EXPECT_TRUE(results.empty());
  RunFor(1);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, CommandResult::kNoAnswer);
  EXPECT_EQ(clock.NowMs() - sent_at, 1000);
  EXPECT_FALSE(link.InFlight());
  // The link stays taken for the late answer: the next command has not gone yet.
  EXPECT_EQ(port.sent(), Lines{"AT"});
  RunFor(510);  // the late "OK" came at 1500 ms and freed the link
  EXPECT_EQ(port.sent(), (Lines{"AT", "AT+COPS?"}));
  ASSERT_EQ(results.size(), 1u);  // the late "OK" drove nothing
  RunFor(20);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[1].kind, CommandResult::kOk);
  EXPECT_EQ(results[1].command, "AT+COPS?");
  EXPECT_EQ(log.notes, (Lines{"no answer to AT", "late answer to AT"}));
}

TEST_F(CommandLinkTest, WithoutAnyLateAnswerTheNextCommandGoesAfterTheGraceTime) {
  Send("AT", 1000);
  Send("AT+CSQ");
  RunFor(1000 + CommandLink::kLateAnswerMs - 1);
  EXPECT_EQ(port.sent(), Lines{"AT"});
  RunFor(1);
  EXPECT_EQ(port.sent(), (Lines{"AT", "AT+CSQ"}));
}

TEST_F(CommandLinkTest, NoiseMakesAnAnswerDamagedNotMissing) {
  port.On("AT+CPBW=1", {{20, "\r\n\xFFO\xFEK\r\n"}});
  port.On("AT+CPBW=2", {{20, "\r\n\xFF\xFE\xFD\r\n"}});
  Send("AT+CPBW=1");
  RunFor(100);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, CommandResult::kDamaged);
  // A line of nothing but noise, then silence: the deadline says the answer could not be read.
  Send("AT+CPBW=2", 500);
  RunFor(500 + CommandLink::kLateAnswerMs);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[1].kind, CommandResult::kDamaged);
}

TEST_F(CommandLinkTest, ACommandHeldBackByCtsIsGivenUpAndNeverGoesLater) {
  port.SetCts(false);
  Send("AT+CSQ", 2000);
  RunFor(1999);
  EXPECT_TRUE(results.empty());
  RunFor(2);  // the deadline counts from when the command would have left at line rate
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, CommandResult::kNoAnswer);
  EXPECT_TRUE(results[0].cts_off);
  EXPECT_EQ(OutcomeOf(results[0]), SequenceOutcome::kPortLost);
  EXPECT_EQ(port.discards(), 1);
  port.SetCts(true);
  EXPECT_TRUE(port.sent().empty());
}

TEST_F(CommandLinkTest, AnUploadCommandTakesItsDataAtThePromptAndWaitsUntilItHasGone) {
  const std::string data(100, 'd');
  port.On("AT#WSCRIPT=a.py,100", {{20, "\r\nOK\r\n"}, {30, ">>>"}});
  auto shared = std::make_shared<const std::string>(data);
  link.Begin(LinkUser::kLoader, [&] {
    link.Send(
        "AT#WSCRIPT=a.py,100\r\n",
        [&](const CommandResult& r) {
          results.push_back(r);
          link.End(LinkUser::kLoader);
        },
        0, shared);
  });
  RunFor(40);
  // An "OK" before the prompt answers nothing: the unit is about to take bytes for the file.
  EXPECT_TRUE(results.empty());
  RunFor(600);  // the prompt's pause, then the data
  ASSERT_EQ(port.sent().size(), 2u);
  EXPECT_EQ(port.sent()[1], data);
  port.Unasked(10, "\r\nOK\r\n");
  RunFor(20);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, CommandResult::kOk);
}

TEST_F(CommandLinkTest, RulesAreTriedInOrderAndAHandlerMayPassALineOn) {
  ReplyRouter r(link);
  Lines seen;
  r.Add("declines", ReplyRouter::Has("+C"), [&](std::string& line, bool) {
    seen.push_back("declined " + line);
    return false;
  });
  r.Add("signal", ReplyRouter::Has("+CSQ:"),
        ReplyRouter::Always([&](std::string& line) { seen.push_back("signal " + line); }));
  r.Add("rest", ReplyRouter::Any(),
        ReplyRouter::Always([&](std::string& line) { seen.push_back("rest " + line); }));
  for (std::string line : {"+CSQ: 9,0", "+COPS: 0", "RING"}) r.Route(line, false);
  EXPECT_EQ(seen, (Lines{"declined +CSQ: 9,0", "signal +CSQ: 9,0", "declined +COPS: 0",
                         "rest +COPS: 0", "rest RING"}));
  EXPECT_EQ(r.RuleNames(), (Lines{"declines", "signal", "rest"}));
}

}  // namespace
}  // namespace vrkt
