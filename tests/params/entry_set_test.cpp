#include "params/entry_set.h"

#include <gtest/gtest.h>

#include "params/param_model.h"

namespace vrkt {
namespace {

using testing::ParamModel;

TEST(EntrySetTest, ValidityRules) {
  struct Case {
    bool (*valid)(std::string_view);
    const char* value;
    bool ok;
  } cases[] = {
      {ValidPARVRKT, "4#4#3#9#3#5#30#3#2#0", true},
      {ValidPARVRKT, "4#4#3#9#3#5#30#3#2#", false},
      {ValidPARVRKT, "4#4#3#9#3#5#30#3#2#00", false},
      {ValidPARVRKT, "4#4#0#0#1#7#2#0", false},
      {ValidPARRL1, "5#0#03#1", true},
      {ValidPARRL1, "5#0#3#1", false},
      {ValidPARRL1, "55#1#03#1", false},
      {ValidTINPUTS, "0600#0003#0010", true},
      {ValidTINPUTS, "", false},
      // SDATA is refused only when short AND without "#" as its third character.
      {ValidSDATA, "5#9600", false},
      {ValidSDATA, "05#9600", true},
      {ValidSDATA, "12#", true},
      {ValidSDATA, "12#4", true},
      {ValidSDATA, "1234567", true},
      {ValidSDATA, "12", false},
      {ValidSDATA, "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.valid(c.value), c.ok) << c.value;
}

TEST(EntrySetTest, WriteOrderPositionsPerVariant) {
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    ParamModel m(program);
    for (Control* c : m.form.controls())
      if (auto* e = dynamic_cast<Edit*>(c)) e->SetText("12");
    DecodeEntryValues(m.form, m.held);
    EncodeEntryValues(m.form, m.held);

    std::vector<std::string> written;
    for (const WriteStep& s : WriteOrder()) {
      std::string v = WriteValue(s, m.form, m.held, m.variant);
      if (!v.empty()) written.push_back(std::string(s.entry) + "=" + v);
    }
    if (m.variant.IsVrkt()) {
      ASSERT_EQ(written.size(), 20u);
      EXPECT_EQ(written[0], "TEST1=12");
      EXPECT_EQ(written[15], "PORTCLOSE=12");  // from ALARMON
      EXPECT_EQ(written[19], "VOLTAGE=12*2");
    } else {
      ASSERT_EQ(written.size(), 26u);
      EXPECT_EQ(written[15], "PARVRKT=" + m.held.PARVRKT);
      EXPECT_EQ(written[18], "PORTCLOSE1=12");
      EXPECT_EQ(written[25], "SDATA=10#9600");
    }
    for (const std::string& w : written) EXPECT_NE(w.substr(0, 4), "VER=");

    // VoltInt "00" and an empty number each give up their position.
    m.form.VoltInt.SetText("00");
    m.form.MASTER3.SetText("");
    int count = 0;
    for (const WriteStep& s : WriteOrder())
      count += !WriteValue(s, m.form, m.held, m.variant).empty();
    EXPECT_EQ(count, m.variant.IsVrkt() ? 18 : 24) << program;
  }
}

TEST(EntrySetTest, VoltageWriteValue) {
  ParamModel m;
  m.form.VoltInt.SetText("11");
  m.form.VoltFr.SetText("5");
  EXPECT_EQ(VoltageWriteValue(m.form), "11*5");
  m.form.VoltInt.SetText("00");
  EXPECT_EQ(VoltageWriteValue(m.form), "");
  m.form.VoltInt.SetText("");
  EXPECT_EQ(VoltageWriteValue(m.form), "*5");
}

TEST(EntrySetTest, FileKeys) {
  EXPECT_EQ(FileKeyFor("PARVRKT"), "PARAMVRKT");
  EXPECT_EQ(FileKeyFor("PARRL1"), "PARAMRL1");
  EXPECT_EQ(FileKeyFor("TINPUTS"), "TINPUTS");
  EXPECT_EQ(EntryForFileKey("PARAMVRKT"), "PARVRKT");
  EXPECT_EQ(EntryForFileKey("PARAMRL1"), "PARRL1");
  EXPECT_EQ(EntryForFileKey("PARVRKT"), "");
  EXPECT_EQ(EntryForFileKey("SDATA"), "SDATA");
}

TEST(EntrySetTest, RoutingByNameAndVariant) {
  struct Case {
    const char* program;
    const char* name;
    const char* value;
    EntryRoute route;
    const char* control;  // the edit that must show `shown`, if any
    const char* shown;
  } cases[] = {
      {"VRKTset", "MASTER4", "123a", EntryRoute::kControl, "MASTER4", "123"},
      {"VRKTset", "PORTCLOSE", "5", EntryRoute::kControl, "ALARMON", "5"},
      {"VRKTset", "PORTOPEN", "6", EntryRoute::kControl, "ALARMOFF", "6"},
      {"VRKTset", "PORTOPEN1", "7", EntryRoute::kOrdinary, "PORTOPEN1", ""},
      {"DVG1Cset", "PORTOPEN1", "7", EntryRoute::kControl, "PORTOPEN1", "7"},
      {"DVG1Cset", "PORTCLOSE", "5", EntryRoute::kOrdinary, "ALARMON", ""},
      {"VRKTset", "TINPUTS", "0001#0002#0003", EntryRoute::kCompound, "TIN2", "2"},
      {"VRKTset", "SDATA", "07#2400", EntryRoute::kCompound, "Dtime", "7"},
      {"DVG1Cset", "VOLTAGE", "11*5", EntryRoute::kVoltage, "VoltInt", "11"},
      {"DVG1Cset", "VOLTAGE", "115", EntryRoute::kVoltage, "VoltFr", "5"},
      {"VRKTset", "VER", "12", EntryRoute::kVersion, "", ""},
      {"VRKTset", "master1", "1", EntryRoute::kOrdinary, "MASTER1", ""},
      {"VRKTset", " MASTER1", "1", EntryRoute::kOrdinary, "MASTER1", ""},
      {"VRKTset", "Mum", "1", EntryRoute::kOrdinary, "", ""},
  };
  for (const Case& c : cases) {
    ParamModel m(c.program);
    EXPECT_EQ(RouteEntry(m.form, m.held, m.variant, c.name, c.value), c.route) << c.name;
    if (*c.control != '\0') {
      EXPECT_EQ(dynamic_cast<Edit&>(*m.form.FindControl(c.control)).text(), c.shown) << c.name;
    }
  }
  ParamModel m;
  RouteEntry(m.form, m.held, m.variant, "VOLTAGE", "115");
  EXPECT_EQ(m.held.VOLTAGE, "115");
  EXPECT_EQ(m.form.VoltInt.text(), "");
  RouteEntry(m.form, m.held, m.variant, "PARRL1", "5#4#07#1");
  EXPECT_EQ(m.held.PARRL1, "5#4#07#1");
  EXPECT_TRUE(m.form.RelBut1.selected());
  EXPECT_TRUE(ModelFilled(m.form));  // every decode re-applies PARVRKT too
}

}  // namespace
}  // namespace vrkt
