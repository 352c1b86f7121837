// Write-all with "Only changed positions": what the window sends, shows and keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "transfer_fixture.h"

namespace vrkt::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

void RunWrite(Harness& h) {
  ClickOn(h, h.program->form.SaveGDI);
  ASSERT_TRUE(h.RunUntil(
      [&] { return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning(); }, 600000));
}

std::vector<std::string> Writes(Harness& h, size_t from) {
  std::vector<std::string> out;
  for (const std::string& c : CommandsSince(h, from))
    if (c.rfind("AT+CPBW=", 0) == 0) out.push_back(c);
  return out;
}

TEST(WriteChangedTest, OffersItOnlyAfterAWholeReadingAndThenSendsOnlyWhatDiffers) {
  Harness h;
  h.Start();
  Form1& f = h.program->form;
  EXPECT_FALSE(f.OnlyChanged.enabled());
  EXPECT_FALSE(f.OnlyChanged.checked());
  StopAndLoad(h);
  ASSERT_TRUE(f.OnlyChanged.enabled());
  f.OnlyChanged.SetChecked(true);
  const SimContent before = SimContentOf(h);
  f.MASTER2.SetText("+420999");
  int max_seen = 0, last_position = -1;
  size_t from = h.sim.unit().commands().size();
  ClickOn(h, f.SaveGDI);
  max_seen = f.Prubeh.max();
  ASSERT_TRUE(h.RunUntil([&] {
    last_position = std::max(last_position, f.Prubeh.position());
    return !h.program->op.WriteAllRunning && !h.program->transfer.ReadRunning();
  }));
  EXPECT_THAT(CommandsSince(h, from),
              ElementsAre("AT", "AT+CPBW=4,+420999,,MASTER2", "AT+CPBR=1,250"));
  // The bar counts the one position written.
  EXPECT_EQ(max_seen, 1);
  EXPECT_EQ(last_position, 1);
  ASSERT_FALSE(h.dialogs.messages.empty());
  EXPECT_THAT(h.dialogs.messages.back(),
              HasSubstr("Written and verified: 1 position written, 248 already right."));
  SimContent want = before;
  want[3] = "4:MASTER2=+420999";
  EXPECT_EQ(SimContentOf(h), want);  // VER included, where it was

  // Unchecked, write-all writes every position again but the version entry's.
  f.OnlyChanged.SetChecked(false);
  from = h.sim.unit().commands().size();
  RunWrite(h);
  EXPECT_EQ(Writes(h, from).size(), 249u);
}

TEST(WriteChangedTest, WithTwoVersionEntriesThePlanKeepsThePositionTheWritePassesOver) {
  // The full write keeps only the VER entry listed last; the plan must keep that one too, or it
  // counts positions as right that the write then has to send.
  auto write = [](bool changed_only) {
    auto h = std::make_unique<Harness>();
    h->Start();
    h->sim.unit().card().Write(200, "215", 129, "VER");
    StopAndLoad(*h);
    h->program->form.OnlyChanged.SetChecked(changed_only);
    RunWrite(*h);
    return h;
  };
  const auto a = write(false);
  const auto b = write(true);
  const Transfer& changed = b->program->transfer;
  ASSERT_TRUE(changed.wrote_changed_only());
  EXPECT_EQ(changed.positions_written(), changed.positions_planned());
  EXPECT_EQ(SimContentOf(*b), SimContentOf(*a));
  EXPECT_THAT(SimContentOf(*b), ::testing::Contains("200:VER=215"));
}

TEST(WriteChangedTest, AReadingThatFailedTakesTheOfferAway) {
  Harness h;
  h.Start();
  Form1& f = h.program->form;
  StopAndLoad(h);
  ASSERT_TRUE(f.OnlyChanged.enabled());
  h.sim.unit().faults().error_on = {"AT+CPBR=1,"};
  ClickOn(h, f.LoadGDI);
  ASSERT_TRUE(h.RunUntil([&] { return !h.program->transfer.ReadRunning(); }, 60000));
  EXPECT_FALSE(f.OnlyChanged.enabled());
  // Checked but not offered: every position is written, but the version entry's that the last
  // whole reading found.
  h.sim.unit().faults().error_on.clear();
  f.OnlyChanged.SetChecked(true);
  const size_t from = h.sim.unit().commands().size();
  RunWrite(h);
  EXPECT_EQ(Writes(h, from).size(), 249u);
}

}  // namespace
}  // namespace vrkt::testing
