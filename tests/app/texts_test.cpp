// The catalogue of interface texts against the window: a translation of every key must reach
// every control that shows it, and come back out unchanged at exit.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/profile.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

// Every key=value line of the given sections gets the value "<key>".
std::string TranslateEverything(const std::string& bytes) {
  std::string out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 2;
    size_t eq = line.find('=');
    std::string key = eq == std::string::npos ? std::string() : line.substr(0, eq);
    if (line[0] != '[' && eq != std::string::npos && key != "Top" && key != "Left" &&
        key != "LastPort")
      line = line.substr(0, eq + 1) + "<" + line.substr(0, eq) + ">";
    out += line + "\r\n";
  }
  return out;
}

TEST(InterfaceTextsTest, EveryTranslatedKeyReachesItsControlsAndComesBack) {
  // Captions that no key covers.
  const std::set<std::string> fixed = {
      "MASTER1", "MASTER2", "MASTER3", "MASTER4", "MASTER5", "MASTER6", "MASTER7", "TEST1", "TEST2",
      "TEST3", "TEST4", "TEST5", "TEST6", "TEST7", "TEST8", ".", "V", "Inicializace", " - - - V",
      " - - - - mV",
      // Beyond the settings file's language keys, which a file of today's layout must keep.
      "Only changed positions"};
  // Tooltips that no key covers.
  const std::set<std::string> untranslated_tooltips;

  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    SCOPED_TRACE(program);
    testing::TempDir dir;
    const std::string ini = dir.File(std::string(program) + ".ini");
    {
      testing::Harness first(program, dir.str());
      first.Start();
      ASSERT_TRUE(first.program->FormClose());
    }
    const std::string translated = TranslateEverything(testing::ReadBytes(ini));
    testing::WriteBytes(ini, translated);

    testing::Harness h(program, dir.str());
    h.Start();
    Form1& f = h.program->form;
    for (Control* c : f.controls()) {
      // The window caption follows the variant, not the file; the port label the open port.
      if (c->kind() == ControlKind::kTimer || c == &f.Form1Window || c == &f.PortName) continue;
      const std::string& def = c->default_caption();
      if (def.empty() || fixed.count(def)) {
        EXPECT_EQ(c->caption(), def) << c->name();
      } else if (c == &f.GroupBox4 && h.program->variant.IsDvg()) {
        EXPECT_EQ(c->caption(), "<Dorvik GSM>");
      } else {
        EXPECT_EQ(c->caption(), "<" + def + ">") << c->name();
      }
      if (!c->default_tooltip().empty() || !c->tooltip().empty()) {
        if (untranslated_tooltips.count(c->name()))
          EXPECT_EQ(c->tooltip(), c->default_tooltip()) << c->name();
        else
          EXPECT_EQ(c->tooltip().substr(0, 1), "<") << c->name() << ": " << c->tooltip();
      }
    }
    EXPECT_EQ(f.StatusBar1.panel(0), "<Operator>:");
    EXPECT_EQ(f.StatusBar1.panel(1), " <board voltage>:");
    EXPECT_EQ(f.PhoneBook1.name_title(), "<Name>");
    EXPECT_EQ(f.PortName.caption().substr(0, 7), "<Port>:");
    EXPECT_EQ(f.PhoneBook1.value_title(), "<Phone>");
    EXPECT_EQ(h.program->settings.Language, "<Language>");
    EXPECT_EQ(f.Service.tooltip(), "<SERVICE>");
    EXPECT_EQ(f.RelECALL.tooltip(), "<RelECALL>");
    EXPECT_EQ(f.ECALLmode1.tooltip(), "<Emergency alarm mode>");

    // Nothing changed during the run, so the exit writes back exactly what it read.
    f.top = 200;
    f.left = 200;
    ASSERT_TRUE(h.program->FormClose());
    EXPECT_EQ(testing::ReadBytes(ini), translated);
  }
}

TEST(InterfaceTextsTest, DvgRunReadsBothUnitKeysAndWritesItsOwn) {
  testing::TempDir dir;
  const std::string ini = dir.File("DVG1Cset.ini");
  testing::WriteBytes(ini, "[Language]\r\nGSM Vornacle=Vornacle unit\r\n");
  testing::Harness h("DVG1Cset", dir.str());
  h.Start();
  EXPECT_EQ(h.program->form.GroupBox4.caption(), "Dorvik GSM 1C");
  ASSERT_TRUE(h.program->FormClose());
  ProfileFile back(ini);
  back.Load();
  EXPECT_EQ(back.ReadString("Language", "GSM Vornacle", ""), "Vornacle unit");
  EXPECT_EQ(back.ReadString("Language", "Dorvik GSM", ""), "Dorvik GSM 1C");
}

}  // namespace
}  // namespace vrkt
