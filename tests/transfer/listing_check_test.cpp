// A read takes a listing only when every line of it is accounted for, reads the entry forms that
// real modules send, and ends at a deadline that grows with the SIM.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "base/codepage.h"
#include "link/listing_forms.h"
#include "transfer_fixture.h"

namespace vrkt::testing {
namespace {

using ::testing::HasSubstr;

void Configure(Harness& h, const SimConfig& base = {}) {
  SimConfig c = base;
  c.capacity = 60;
  h.sim.unit().Configure(c);
}

// The unit's report of STOP and the read it starts, to their end.
void StopAndRead(Harness& h) {
  Form1& f = h.program->form;
  ClickOn(h, f.StopGDI);
  ASSERT_TRUE(h.RunUntil([&] { return f.RunGDI.visible() && h.MonitorCount("STOP") > 0; }));
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 120000));
  h.RunFor(300);
}

void LoadAgain(Harness& h) {
  ClickOn(h, h.program->form.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 120000));
  h.RunFor(200);
}

void WriteAllAndWait(Harness& h) {
  ClickOn(h, h.program->form.SaveGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->op.WriteAllRunning; }, 120000));
  // The window reads the unit back.
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 120000));
}

// The SIM's entries as "name=number", sorted, without the unit's own version entry.
std::vector<std::string> EntriesOf(Harness& h) {
  std::vector<std::string> out;
  for (const std::string& e : SimContentOf(h)) {
    std::string entry = e.substr(e.find(':') + 1);
    if (entry.rfind("VER=", 0) != 0) out.push_back(entry);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool Sent(Harness& h, const std::string& line) {
  const auto c = h.Commands();
  return std::find(c.begin(), c.end(), line) != c.end();
}

TEST(ListingCheckTest, ADamagedLineHeadSpoilsTheListingAndIsNamedNeverDropped) {
  Harness h;
  Configure(h);
  h.Start();
  h.unit().faults().garbled_heads = {3};  // MASTER1, in the listing after Stop
  const auto before = EntriesOf(h);
  StopAndRead(h);
  Form1& f = h.program->form;
  const SequenceOutcome& o = h.program->transfer.last_read_outcome();
  EXPECT_EQ(o.kind, SequenceOutcome::kDamaged) << o.message;
  EXPECT_THAT(o.message, HasSubstr("the reply for SIM position 3 was damaged"));
  EXPECT_THAT(o.message, HasSubstr("read again"));
  EXPECT_EQ(f.TEST1.text(), "");  // nothing of the damaged listing reached the window
  // Read again: the next listing is whole, and a write keeps every entry.
  LoadAgain(h);
  EXPECT_EQ(h.program->transfer.last_read_outcome().kind, SequenceOutcome::kDone);
  EXPECT_EQ(f.MASTER1.text(), "+420731555201");
  WriteAllAndWait(h);
  EXPECT_EQ(EntriesOf(h), before);
}

TEST(ListingCheckTest, AListingThatNeverEndsStopsAtItsDeadline) {
  Harness h;
  Configure(h);
  h.Start();
  h.unit().faults().endless_listing = true;
  const auto before = SimContentOf(h);
  StopAndRead(h);
  const SequenceOutcome& o = h.program->transfer.last_read_outcome();
  EXPECT_EQ(o.kind, SequenceOutcome::kNoAnswer);
  // 5 s of reply deadline and 100 ms for each of the 60 positions.
  EXPECT_THAT(o.message, HasSubstr("no final result within its deadline of 11 seconds"));
  const int64_t sent = h.CommandTime("AT+CPBR=1,60");
  ASSERT_GE(sent, 0);
  EXPECT_LE(h.clock.NowMs() - sent, 11000 + 2500);
  EXPECT_TRUE(WindowGivenBack(h.program->form));
  EXPECT_EQ(h.program->form.MASTER1.text(), "");
  EXPECT_EQ(SimContentOf(h), before);
}

TEST(ListingCheckTest, RealEntryFormsAreReadInEveryCharacterSet) {
  const int saved = ActiveCodePage();
  SetActiveCodePage(1250);
  for (const char* charset : {"IRA", "UCS2", "HEX"}) {
    SCOPED_TRACE(charset);
    Harness h;
    SimConfig c;
    c.entry_forms = SimEntryForms::kMixed;
    c.charset = charset;
    Configure(h, c);
    h.unit().card().Write(19, "+31234567", 145, "Jan Nov\xE1k");
    h.Start();
    StopAndRead(h);
    Form1& f = h.program->form;
    const SequenceOutcome& o = h.program->transfer.last_read_outcome();
    ASSERT_EQ(o.kind, SequenceOutcome::kDone) << o.message;
    EXPECT_TRUE(h.dialogs.messages.empty()) << h.dialogs.messages.front();
    EXPECT_TRUE(Sent(h, "AT+CSCS?"));  // names without quotes: the character set decides
    EXPECT_EQ(f.TEST1.text(), "+420602555101");    // an empty field before the number
    EXPECT_EQ(f.TEST2.text(), "+420602555102");    // an empty type
    EXPECT_EQ(f.MASTER1.text(), "+420731555201");  // a name without quotes
    EXPECT_EQ(f.MASTER2.text(), "+420731555202");  // the standard form
    EXPECT_THAT(f.PhoneBook1.rows(), ::testing::Contains("Jan Nov\xE1k=+31234567"));
    EXPECT_THAT(f.PhoneBook1.rows(), ::testing::Contains("Night shift=+420777555420"));
    // Written back in full: the unit holds what it held.
    const auto before = EntriesOf(h);
    WriteAllAndWait(h);
    EXPECT_EQ(EntriesOf(h), before);
  }
  SetActiveCodePage(saved);

  // A SIM in the standard form gets the traffic the window has always sent, and no more.
  Harness plain;
  Configure(plain);
  plain.Start();
  StopAndRead(plain);
  EXPECT_EQ(plain.program->transfer.last_read_outcome().kind, SequenceOutcome::kDone);
  EXPECT_FALSE(Sent(plain, "AT+CSCS?"));
  EXPECT_FALSE(Sent(plain, "AT+CPBS?"));
}

TEST(ListingCheckTest, AnEntryThatCannotBeReadIsNamedAndAWriteLeavesItAlone) {
  Harness h;
  SimConfig c;
  c.unreadable_positions = {14};  // the caretaker, with a double quote inside the name
  Configure(h, c);
  h.Start();
  StopAndRead(h);
  Form1& f = h.program->form;
  EXPECT_EQ(h.program->transfer.last_read_outcome().kind, SequenceOutcome::kDone);
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_THAT(h.dialogs.messages[0],
              HasSubstr("position 14: \"+CPBR: 14,\"+420777555410\",145,\"Care\"taker\"\""));
  EXPECT_THAT(h.dialogs.messages[0], HasSubstr("reading again would not change them"));
  EXPECT_THAT(h.dialogs.messages[0], ::testing::Not(HasSubstr("read again;")));
  EXPECT_EQ(f.MASTER1.text(), "+420731555201");
  EXPECT_THAT(f.PhoneBook1.rows(), ::testing::Contains("Night shift=+420777555420"));
  // The write puts the ordinary rows from position 12 on, and would reach 14 with them.
  f.MASTER2.SetText("+420999");
  f.PhoneBook1.mutable_rows().push_back("Janitor=+420777000111");
  WriteAllAndWait(h);
  const SimCard& card = h.unit().card();
  ASSERT_TRUE(card.At(14).has_value());
  EXPECT_EQ(card.At(14)->text, "Caretaker");
  EXPECT_EQ(card.At(14)->number, "+420777555410");
  const auto after = EntriesOf(h);
  EXPECT_THAT(after, ::testing::Contains("MASTER2=+420999"));
  EXPECT_THAT(after, ::testing::Contains("Janitor=+420777000111"));
  EXPECT_THAT(after, ::testing::Contains("Night shift=+420777555420"));
  EXPECT_THAT(after, ::testing::Contains("Caretaker=+420777555410"));
}

TEST(ListingCheckTest, RangesFromZeroOrBeyondAnySimAreRefusedAsTheyCame) {
  struct Case {
    const char* reply;
    const char* says;
  } cases[] = {
      {"+CPBR: (0-39),40,16", "numbers its phone book positions from 0 (it answered \"+CPBR: "
                              "(0-39),40,16\")"},
      {"+CPBR: (1-65535),40,16", "a SIM phone book of 65535 positions (\"+CPBR: (1-65535),40,16\")"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.reply);
    Harness h;
    SimConfig c;
    c.range_reply = k.reply;
    Configure(h, c);
    h.Start();
    const auto before = SimContentOf(h);
    StopAndRead(h);
    const SequenceOutcome& o = h.program->transfer.last_read_outcome();
    EXPECT_EQ(o.kind, SequenceOutcome::kFailed);
    EXPECT_THAT(o.message, HasSubstr(k.says));
    EXPECT_THAT(o.message, HasSubstr("nothing was read and nothing can be written"));
    EXPECT_THAT(o.message, ::testing::Not(HasSubstr("read again")));
    for (const std::string& cmd : h.Commands()) EXPECT_NE(cmd.rfind("AT+CPBR=1,", 0), 0u) << cmd;
    // Nothing to write to either.
    ClickOn(h, h.program->form.SaveGDI);
    h.RunFor(2000);
    EXPECT_EQ(SimContentOf(h), before);
  }
}

TEST(ListingFormsTest, SplitsTheFormsModulesSendAndNothingElse) {
  struct Case {
    const char* line;
    int index;
    const char* number;
    int type;
    const char* name;
    bool bare;
  } good[] = {
      {"+CPBR: 3,\"0123\",129,\"Name\"", 3, "0123", 129, "Name", false},
      {"+CPBR: 22,,\"+31234567\",145,\"Office\"", 22, "+31234567", 145, "Office", false},
      {"+CPBR: 5,\"123\",,\"Ann\"", 5, "123", 0, "Ann", false},
      {"+CPBR: 7,\"123\",129,004A006F", 7, "123", 129, "004A006F", true},
      {"+CPBR:  8 , \"1,2p\" , 129 , \"A, B\" ,0,\"\"", 8, "1,2p", 129, "A, B", false},
      {"+CPBR: 0,\"1\",129,\"Zero\"", 0, "1", 129, "Zero", false},
  };
  for (const Case& c : good) {
    SCOPED_TRACE(c.line);
    auto e = ParseEntryLine(c.line);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->entry.index, c.index);
    EXPECT_EQ(e->entry.number, c.number);
    EXPECT_EQ(e->entry.type, c.type);
    EXPECT_EQ(e->entry.name, c.name);
    EXPECT_EQ(e->bare_name, c.bare);
  }
  for (const char* bad : {"+CPBR: 9,\"555\",129,\"Care\"taker\"", "+CPBS: 3,\"1\",129,\"A\"",
                          "+CPBR: 3,\"12a\",129,\"A\"", "+CPBR: 3,\"1\",129", "+CPBR: x,\"1\",1,\"A\"",
                          "+CPBR: 3,\"1\",1,\"A", "+CPBR: 3,\"1\",1,A B", "+CPBR: (1-250),40,16"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseEntryLine(bad).has_value());
  }
  EXPECT_EQ(IndexOfEntryLine("+CPBR: 9,\"555\",129,\"Care\"taker\""), 9);
  EXPECT_FALSE(IndexOfEntryLine("+\xC3PBR: 3,\"1\",129,\"A\"").has_value());

  const int saved = ActiveCodePage();
  SetActiveCodePage(1250);
  EXPECT_EQ(DecodeSimName("004A006F", "UCS2"), "Jo");
  EXPECT_EQ(DecodeSimName("004E006F007600E1006B", "UCS2"), "Nov\xE1k");
  EXPECT_EQ(DecodeSimName("4A6F", "HEX"), "Jo");
  EXPECT_EQ(DecodeSimName("004A006F", "IRA"), "004A006F");  // taken as it stands
  EXPECT_FALSE(DecodeSimName("4A6", "HEX").has_value());
  EXPECT_FALSE(DecodeSimName("004A00", "UCS2").has_value());
  EXPECT_FALSE(DecodeSimName("0416", "UCS2").has_value());  // Cyrillic: not in code page 1250
  EXPECT_FALSE(DecodeSimName("000A", "UCS2").has_value());  // a control character
  SetActiveCodePage(saved);
  EXPECT_EQ(CharsetOfReply("+CSCS: \"ucs2\""), "UCS2");
}

}  // namespace
}  // namespace vrkt::testing
