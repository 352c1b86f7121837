#include "unit/changed_positions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vrkt {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

SimSlot E(const char* name, const char* number) { return UnitEntry{name, number}; }

TEST(ChangedPositionsTest, LayoutFillsFromOneKeepsThePositionAsideAndEmptiesTheRest) {
  const std::vector<UnitEntry> entries = {{"A", "1"}, {"B", "2"}, {"C", "3"}};
  EXPECT_THAT(FullWriteLayout(entries, 5),
              ElementsAre(E("A", "1"), E("B", "2"), E("C", "3"), std::nullopt, std::nullopt));
  // The kept position holds what it held; the entries flow around it.
  EXPECT_THAT(FullWriteLayout(entries, 5, 2, E("VER", "214")),
              ElementsAre(E("A", "1"), E("VER", "214"), E("B", "2"), E("C", "3"), std::nullopt));
  // Entries that do not fit are left out; a kept last position stays.
  EXPECT_THAT(FullWriteLayout(entries, 3, 3, E("VER", "9")),
              ElementsAre(E("A", "1"), E("B", "2"), E("VER", "9")));
  EXPECT_THAT(FullWriteLayout(entries, 0), IsEmpty());
}

TEST(ChangedPositionsTest, DifferentEntriesNewOnesAndDeletionsDifferTheKeptPositionNever) {
  const SimSlots layout = {E("A", "1"), E("B", "2"),  E("VER", "214"),
                           E("C", "3"), std::nullopt, std::nullopt};
  const SimSlots unit = {E("A", "1"),  E("B", "9"),   E("VER", "214"),
                         std::nullopt, E("Old", "5"), std::nullopt};
  EXPECT_THAT(ChangedPositions(layout, unit, 3), ElementsAre(2, 4, 5));
  // Name and number both count; a unit listing that ends early is empty beyond its end.
  EXPECT_THAT(ChangedPositions({E("A", "1"), E("x", "2")}, {E("a", "1")}), ElementsAre(1, 2));
  EXPECT_THAT(ChangedPositions(layout, layout, 3), IsEmpty());
  // Even where the kept position would differ, it is not written.
  EXPECT_THAT(ChangedPositions({E("A", "1")}, {E("VER", "1")}, 1), IsEmpty());
}

TEST(ChangedPositionsTest, PositionOfFindsTheFirstEntryOfTheName) {
  const SimSlots slots = {std::nullopt, E("VER", "1"), E("VER", "2")};
  EXPECT_EQ(PositionOf(slots, "VER"), 2);
  EXPECT_EQ(PositionOf(slots, "ver"), 0);
}

}  // namespace
}  // namespace vrkt
