#include "phonebook/row_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vrkt {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Variant Vrkt() { return VariantFromFileName("VRKTset"); }
Variant Dvg() { return VariantFromFileName("DVG1Cset"); }

TEST(RowCheckTest, WhatASimTakes) {
  const SimLimits none;
  const SimLimits sim{250, 20, 16};
  EXPECT_THAT(RowProblems("Service desk", "+420800555000", Vrkt(), sim), IsEmpty());
  EXPECT_THAT(RowProblems("Caretaker", "*21#", Vrkt(), sim), IsEmpty());
  // Exactly at the limits is fine; one more is not.
  EXPECT_THAT(RowProblems(std::string(16, 'N'), std::string(20, '1'), Vrkt(), sim), IsEmpty());
  EXPECT_THAT(RowProblems(std::string(17, 'N'), std::string(21, '1'), Vrkt(), sim),
              ElementsAre("number has 21 characters, this SIM takes 20",
                          "name has 17 characters, this SIM takes 16"));
  // Unknown limits check no length.
  EXPECT_THAT(RowProblems(std::string(60, 'N'), std::string(60, '1'), Vrkt(), none), IsEmpty());
  // A name is counted in the code page's bytes: "Čížek" is five.
  EXPECT_THAT(RowProblems("\xC8\xED\x9E" "ek", "1", Vrkt(), {1, 1, 5}), IsEmpty());

  EXPECT_THAT(RowProblems("Anna", "+420 602-555", Vrkt(), none),
              ElementsAre("number holds \" \" and \"-\", but a SIM number takes only digits, +, "
                          "* and #"));
  EXPECT_THAT(RowProblems("Novak, Jan", "1", Vrkt(), none),
              ElementsAre("name holds \",\", which cannot be sent to the SIM"));
  EXPECT_THAT(RowProblems("a;b\"c=d\te\x01", "1", Vrkt(), none),
              ElementsAre("name holds \";\", \"\"\", \"=\" and a control character, which "
                          "cannot be sent to the SIM"));
  // Letters of the code page and blanks are fine in a name.
  EXPECT_THAT(RowProblems(" \xC8" "ern\xFD  ", "1", Vrkt(), none), IsEmpty());
}

TEST(RowCheckTest, ReservedNamesOfTheRunningVariant) {
  const SimLimits none;
  for (const char* name : {"MASTER1", "TEST8", "PARVRKT", "PARRL1", "VOLTAGE", "VER", "TINPUTS",
                           "SDATA", "PORTOPEN", "PORTCLOSE"})
    EXPECT_THAT(RowProblems(name, "1", Vrkt(), none),
                ElementsAre(std::string(name) + " is a reserved name: the unit would take the row "
                                                "for one of its settings"))
        << name;
  for (const char* name : {"PORTOPEN2", "PORTCLOSE3", "MASTER1", "SDATA", "VER"})
    EXPECT_THAT(RowProblems(name, "1", Dvg(), none), ::testing::SizeIs(1)) << name;
  // The other variant's port entries are ordinary rows; the read matches names exactly.
  for (const char* name : {"PORTOPEN2", "PORTCLOSE1"})
    EXPECT_THAT(RowProblems(name, "1", Vrkt(), none), IsEmpty()) << name;
  for (const char* name : {"PORTOPEN", "PORTCLOSE"})
    EXPECT_THAT(RowProblems(name, "1", Dvg(), none), IsEmpty()) << name;
  for (const char* name : {"master1", "MASTER1 ", "MASTER8", "PARAMVRKT"})
    EXPECT_THAT(RowProblems(name, "1", Vrkt(), none), IsEmpty()) << name;
}

TEST(RowCheckTest, RowsWithoutNameOrNumberAreNotForThisCheck) {
  EXPECT_THAT(RowProblems("", "12a", Vrkt(), {}), IsEmpty());
  EXPECT_THAT(RowProblems("MASTER1", "", Vrkt(), {}), IsEmpty());
}

TEST(RowCheckTest, OneLinePerRowForMessages) {
  EXPECT_EQ(DescribeRowProblems(31, "Technical support desk",
                                {"name has 22 characters, this SIM takes 16"}),
            "row 31 'Technical support desk': name has 22 characters, this SIM takes 16");
  EXPECT_EQ(DescribeRowProblems("card 3", "a\x01" "b", {"x", "y"}), "card 3 'a?b': x; y");
}

}  // namespace
}  // namespace vrkt
