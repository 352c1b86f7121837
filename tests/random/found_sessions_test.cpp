// Faults the random sessions and the fuzz targets found, shrunk to the steps that showed them:
// commands out of step with their answers, echo and noise taken for replies, entry lines outside
// a listing, waits after Stop and Run that never ended, range replies, reserved names in the grid
// and in parameter files, edits made while a write runs. Each must hold from now on.
#include <gtest/gtest.h>

#include <climits>

#include "random/session_runner.h"
#include "support/harness.h"
#include "support/wire_checks.h"
#include "unit/transfer.h"

namespace vrkt::testing {
namespace {

void ExpectHolds(const char* invariant, const Session& session) {
  const SessionResult r = RunSession(session, Invariants::Parse(invariant));
  EXPECT_EQ(r.failure, "") << r.transcript;
}

constexpr UnitSpec kTidyUnit{};

UnitSpec Blank() {
  UnitSpec u;
  u.prefill = false;
  return u;
}

TEST(FoundSessionTest, WaitAfterRunEndsWhenAWriteStartsDuringIt) {
  // The write sets the progress bar's maximum to the SIM's size + 10, and the wait counts the
  // same bar up to 250: it never gets there.
  ExpectHolds(
      "ends",
      {kTidyUnit,
       {{Act::kStop}, {Act::kWait, 40000}, {Act::kRun}, {Act::kSaveUnit}, {Act::kWait, 260000}}});
}

TEST(FoundSessionTest, WaitAfterStopEndsWhenTheLoaderRunsDuringIt) {
  // A unit that never reports STOP, and a loader list sent meanwhile: its bar has 3 steps.
  ExpectHolds("ends", {kTidyUnit,
                       {{Act::kSilentAfter, 0},
                        {Act::kStop},
                        {Act::kWait, 3000},
                        {Act::kLoaderRun},
                        {Act::kWait, 260000}}});
}

TEST(FoundSessionTest, ParameterFileWithAKeyTwiceIsNotWrittenTwice) {
  // edited.vrk holds MASTER1 twice; the second stays in the grid and goes to the SIM as a row.
  ExpectHolds("duplicates", {kTidyUnit,
                             {{Act::kStop},
                              {Act::kWait, 8000},
                              {Act::kPcLoad, 1},
                              {Act::kSaveUnit},
                              {Act::kWait, 40000}}});
}

TEST(FoundSessionTest, EchoIsNotReadAsAReply) {
  // UNPIN switches the echo on; the echo "AT+CPBR=?" of Load's range query became a grid row.
  ExpectHolds("rows",
              {kTidyUnit,
               {{Act::kPin, 0, 0, "1234"}, {Act::kStop}, {Act::kLoadUnit}, {Act::kWait, 40000}}});
}

TEST(FoundSessionTest, RangeReplyWithoutParenthesesIsNoEntry) {
  UnitSpec u;
  u.program = 1;
  u.capacity = 250;
  u.range_without_parens = true;
  ExpectHolds("rows", {u, {{Act::kStop}, {Act::kWait, 15000}}});
}

TEST(FoundSessionTest, PinCommandsWaitForTheReadTheyMeet) {
  ExpectHolds("in_flight",
              {kTidyUnit, {{Act::kPin, 0, 0, "1234"}, {Act::kLoadUnit}, {Act::kWait, 200}}});
}

TEST(FoundSessionTest, ReadChainDoesNotCutIntoAnUpload) {
  // The read's next command went out while the loader waited for its prompt: the script arrived
  // with the command in it, and the rest of the file reached the unit as commands.
  ExpectHolds("commands", {kTidyUnit,
                           {{Act::kStop},
                            {Act::kWait, 8000},
                            {Act::kLoadUnit},
                            {Act::kLoaderRun},
                            {Act::kWait, 40000}}});
  ExpectHolds("uploads",
              {kTidyUnit,
               {{Act::kPin, 0, 0, "1234"}, {Act::kLoaderRun}, {Act::kStop}, {Act::kWait, 40000}}});
}

TEST(FoundSessionTest, FailedWriteNamesThePositionsItWrote) {
  // The signal query's late "OK" answered the write's first command, so every later answer was
  // taken for the command before it: the message claimed position 1, which the unit refused.
  ExpectHolds("write_message", {Blank(),
                                {{Act::kStop},
                                 {Act::kWait, 8000},
                                 {Act::kSignal},
                                 {Act::kPcLoad},
                                 {Act::kSaveUnit},
                                 {Act::kErrorOn},
                                 {Act::kWait, 40000}}});
}

TEST(FoundSessionTest, WriteThatReportsSuccessLeftTheWindowOnTheSim) {
  // Stopped again while the unit restarted after Run: answers meant for the read went to the
  // write, which ended "well" with the old PARVRKT on the SIM.
  ExpectHolds("write_matches", {kTidyUnit,
                                {{Act::kStop},
                                 {Act::kWait, 8000},
                                 {Act::kRun},
                                 {Act::kWait, 1000},
                                 {Act::kStop},
                                 {Act::kWait, 6000},
                                 {Act::kCheck},
                                 {Act::kSaveUnit},
                                 {Act::kWait, 40000}}});
  // The signal query's "OK" answered the write's first command; the unit then fell silent for a
  // while, and the write still ended "well" without having stored a thing.
  ExpectHolds("write_matches", {kTidyUnit,
                                {{Act::kStop},
                                 {Act::kWait, 8000},
                                 {Act::kEdit, 4},
                                 {Act::kSignal},
                                 {Act::kSaveUnit},
                                 {Act::kSilentAfter, 2},
                                 {Act::kWait, 3000},
                                 {Act::kHeal},
                                 {Act::kWait, 40000}}});
  // Edits made while the write runs (the Service and Ports pages stay open): TEST1 emptied
  // before its step was read live, PARVRKT had been encoded at the click. The SIM holds neither
  // the window at the click nor the window at the end.
  UnitSpec dvg;
  dvg.program = 1;
  ExpectHolds("write_matches", {dvg,
                                {{Act::kStop},
                                 {Act::kWait, 40000},
                                 {Act::kSaveUnit},
                                 {Act::kEdit, 4},
                                 {Act::kCheck, 2},
                                 {Act::kWait, 40000}}});
}

TEST(FoundSessionTest, GridRowWithAReservedNameSavesAndLoadsBack) {
  // VRKT files carry no TINPUTS key, so a row named TINPUTS is taken as that key on the load.
  ExpectHolds("files", {kTidyUnit, {{Act::kGridName, 0, 0, "TINPUTS"}, {Act::kPcSave}}});
}

TEST(FoundSessionTest, PinCommandsStopAtTheFirstUnanswered) {
  // On a silent unit the PIN, the unlock and the echo command went out one after the other,
  // each meeting whatever late answer its predecessor might still get.
  ExpectHolds("in_flight", {kTidyUnit, {{Act::kSilentAfter}, {Act::kPin, 0, 0, "1234"}}});
  // A second UNPIN waiting its turn started as the first ended, and the first one's message
  // lost its reason ("The PIN command did not finish: .").
  const SessionResult r = RunSession(
      {kTidyUnit, {{Act::kSilentAfter}, {Act::kPin, 0, 0, "1234"}, {Act::kPin, 0, 0, "1234"}}},
      Invariants::All());
  EXPECT_EQ(r.failure, "") << r.transcript;
  EXPECT_EQ(r.transcript.find("did not finish: ."), std::string::npos) << r.transcript;
}

TEST(FoundSessionTest, LoaderRunWithNothingLeftToSendFreesTheLink) {
  // Send pressed twice while a read ran: the second run's job found the list ended and never
  // gave the link back, so the read and every poll waited for ever.
  ExpectHolds("ends",
              {kTidyUnit, {{Act::kLoadUnit}, {Act::kStop}, {Act::kLoaderRun}, {Act::kLoaderRun}}});
}

TEST(FoundSessionTest, PromptGetsTheDataOfItsOwnUpload) {
  // Send pressed again before the first script's prompt: the prompt released the second list's
  // 3000-byte file for a 27-byte script, and the rest reached the unit as commands.
  ExpectHolds("commands,uploads", {kTidyUnit, {{Act::kLoaderRun}, {Act::kLoaderRun, 1}}});
  // The same with one list twice and a Stop: the announced script got no data at all, and the
  // unit took the next commands as its bytes.
  ExpectHolds("commands,uploads",
              {kTidyUnit, {{Act::kLoaderRun}, {Act::kLoaderRun}, {Act::kStop}}});
}

TEST(FoundSessionTest, CommandsHeldByCtsDoNotReachTheUnitLater) {
  // Every poll given up while CTS was off still sat in the output queue and went out in one
  // burst when CTS returned.
  ExpectHolds("in_flight,commands",
              {kTidyUnit, {{Act::kStop}, {Act::kCtsLost}, {Act::kWait, 260000}, {Act::kHeal}}});
}

// --- Found by the fuzz target for the unit's bytes (fuzz/regressions/session_bytes).

// Stops and reads a 40-position unit, so that a write can start.
void ReadyToWrite(Harness& h) {
  SimConfig config;
  config.capacity = 40;
  h.unit().Configure(config);
  h.Start();
  h.Click(h.form().StopGDI);
  ASSERT_TRUE(h.RunUntil(
      [&] {
        return h.form().RunGDI.visible() && h.program->op.SimCapacity > 0 &&
               !h.program->transfer.ReadRunning();
      },
      30000));
  h.RunFor(500);
}

TEST(FoundSessionTest, EntryLineDuringAWriteAddsNothingToIt) {
  // An entry line arriving while the write runs became a grid row after the rows were checked,
  // and its name chained a second command onto the write.
  Harness h;
  ReadyToWrite(h);
  h.Click(h.form().SaveGDI);
  ASSERT_TRUE(h.program->op.WriteAllRunning);
  h.Feed("\r\n+CPBR: 39,\"123\",129,\"x;+CPBW=1\"\r\n");
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 120000));
  for (const SimExchange& e : h.unit().transcript())
    EXPECT_EQ(CheckCommandLine(e.line), "") << e.line;
}

TEST(FoundSessionTest, HugeRangeReplyIsNoCapacity) {
  // "+CPBR: (1-2147483647)" made the capacity INT_MAX; the next write's progress bar maximum,
  // capacity + 10, overflowed (UndefinedBehaviorSanitizer ends the whole program there).
  Harness h;
  ReadyToWrite(h);
  h.unit().faults().silent = true;
  h.Click(h.form().LoadGDI);
  h.Feed("\r\n+COPS: 0,0,\"X\"\r\n\r\nOK\r\n");
  h.RunFor(500);
  h.Feed("\r\n+CPBR: (1-2147483647),40,16\r\n\r\nOK\r\n");
  h.RunFor(6000);
  h.Click(h.form().SaveGDI);
  h.RunFor(10000);
  EXPECT_LT(h.program->op.SimCapacity, INT_MAX - 10);
}

TEST(FoundSessionTest, UploadCutByTheApplicationTakesNoLaterCommandsAsData) {
  // The loader's upload was prompted just as the rebooted unit's application took the line; the
  // module kept waiting for the data and, after the next Stop, took the Stop sequence's commands
  // for it, then ran the rest of a line as a command of its own.
  ExpectHolds("commands", {{.echo = false, .prefill = true, .seed = 1},
                           {{Act::kStop},
                            {Act::kWait, 8000},
                            {Act::kRun},
                            {Act::kLoadUnit},
                            {Act::kLoaderRun},
                            {Act::kWait, 40000},
                            {Act::kStop},
                            {Act::kWait, 15000}}});
}

}  // namespace
}  // namespace vrkt::testing
