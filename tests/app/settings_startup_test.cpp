// Start-up and exit against a real settings file in a temporary folder.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/codepage.h"
#include "base/profile.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// The file's sections and keys in file order, as (section, key=value) lines.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& bytes) {
  std::vector<std::pair<std::string, std::string>> out;
  std::string section;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "line without CR LF";
    if (end == std::string::npos) break;
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 2;
    if (!line.empty() && line[0] == '[') {
      section = line.substr(1, line.size() - 2);
    } else {
      out.emplace_back(section, line);
    }
  }
  return out;
}

std::vector<std::string> KeysOf(const std::vector<std::pair<std::string, std::string>>& entries,
                                const std::string& section) {
  std::vector<std::string> keys;
  for (const auto& [s, line] : entries)
    if (s == section) keys.push_back(line.substr(0, line.find('=')));
  return keys;
}

// The file format's key lists, in the order of writing.
// clang-format off
std::vector<std::string> LanguageKeys(const char* unit_key) {
  return {"Language", "EMERGENCY", "Phone Book", "Ports", "SERVICE", "Insert Line", "Delete Line",
          "Find Name", "Find", "Relay", "camera", "light", "running", "button", "SMS switch",
          "switching time", "SMS PORTCLOSE", "SMS PORTOPEN", "waiting time", "max. time", "Save",
          "Load", "Battery", "signal", "Save Log", "Load List", "Clear List", "Send", unit_key,
          "Spk", "Mic", "service OK", "Push for activate", "Port close for activate", "Time",
          "Emergency call", "Blocking emergency call", "Emergency alarm mode", "Waiting for next",
          "Series of calling numbers", "Periode of test", "day(s)", "+ Shift", "hour(s)",
          "+ randomize of minutes via IMEI", "Test Call", "Test Acustic path", "SMS TEST",
          "Power supply monitor", "Low supply voltage", "Volume", "Monitor", "Loader", "Support",
          "Input1", "Input2", "Input3", "Operator", "board voltage", "sec.", "Phone", "Name",
          "UNPIN", "For Code PIN", "Import", "Export", "Port...", "Cancel", "min.", "Baud rate",
          "Bd", "PIN", "IN1", "CSD (RS232)", "PC", "IMEI", "Port", "none"};
}

const std::vector<std::string> kHelpKeys = {
    "EMERGENCY", "Push for activate", "Port close for activate", "time", "Emergency alarm mode",
    "waiting", "Periode of test", "hour(s)", "Test Call", "Test Acustic path", "Test SMS",
    "switching time", "Low voltage", "waiting time", "PhoneBook", "Ports", "Support", "SERVICE",
    "Telephone number", "LineIn", "LineDel", "Find Name", "VolumeSpk", "VolumeMic", "RelCAM",
    "RelECALL", "RelLight", "RelRunning", "RelButton", "RelSMS", "Service OK", "ServiceMode",
    "Monitor", "SaveMonitor", "LoadList", "ClrList", "List", "Send", "LoadGDI", "SaveGDI",
    "RunGDI", "StopGDI", "RXDled", "Battery", "Power", "Load", "Save", "signal", "SMeter", "VoltFr",
    "IMEI", "PortSelect", "BookImport", "BookExport", "RS232",
    "DTIME", "RATE", "Power supply monitor", "UNPIN", "CodePIN", "PIN"};
// clang-format on

bool Has(const std::vector<std::pair<std::string, std::string>>& entries,
         const std::string& section, const std::string& line) {
  for (const auto& e : entries)
    if (e.first == section && e.second == line) return true;
  return false;
}

TEST(SettingsStartupTest, NoFileGivesDefaultsAndExitWritesEveryKeyInOrder) {
  struct Case {
    const char* program;
    const char* unit_key;
    const char* unit_caption;
    const char* product;
    // The port chosen at start-up, which the exit keeps as LastPort; none when cancelled.
    std::optional<std::string> port;
  } cases[] = {
      {"VRKTset", "GSM Vornacle", "GSM Vornacle", "GSM Vornacle", "sim"},
      {"DVG1Cset", "Dorvik GSM", "Dorvik GSM 1C", "Dorvik GSM 1C", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    TempDir dir;
    testing::Harness h(c.program, dir.str());
    h.dialogs.port_answers.push_back(c.port);
    h.Start();
    h.dialogs.messages.clear();  // the cancelled port dialog's
    Form1& f = h.program->form;
    EXPECT_EQ(f.top, 200);
    EXPECT_EQ(f.left, 200);
    EXPECT_EQ(f.PhoneBook.caption(), "Phone Book");
    EXPECT_EQ(f.GroupBox4.caption(), c.unit_caption);
    EXPECT_EQ(f.StatusBar1.panel(0), "Operator:");
    EXPECT_EQ(f.StatusBar1.panel(1), " board voltage:");
    EXPECT_EQ(f.PhoneBook1.name_title(), "Name");
    EXPECT_EQ(f.PhoneBook1.value_title(), "Phone");
    EXPECT_EQ(f.Service.tooltip(), "Programming telephone numbers and parameters for TESTs.");
    EXPECT_EQ(f.PORTCLOSE3.tooltip(), "Telephone number");
    EXPECT_EQ(f.Bevel1.tooltip(), "Signal is good, when color is green or blue.");
    EXPECT_EQ(f.VoltFr.tooltip(), "Only information - not editable!");
    f.top = 123;

    EXPECT_TRUE(h.program->FormClose());
    EXPECT_TRUE(h.dialogs.messages.empty());
    auto entries = Entries(ReadBytes(dir.File(std::string(c.program) + ".ini")));
    std::vector<std::string> form_keys = {"Top", "Left"};
    if (c.port) form_keys.push_back("LastPort");
    EXPECT_EQ(KeysOf(entries, "Form"), form_keys);
    EXPECT_EQ(KeysOf(entries, "Language"), LanguageKeys(c.unit_key));
    EXPECT_EQ(KeysOf(entries, "Help"), kHelpKeys);
    EXPECT_EQ(entries.size(), form_keys.size() + 78u + 61u);
    if (c.port) {
      EXPECT_TRUE(Has(entries, "Form", "LastPort=" + *c.port));
    }
    const std::string product = c.product;
    EXPECT_TRUE(Has(entries, "Form", "Top=123"));
    EXPECT_TRUE(Has(entries, "Form", "Left=200"));
    EXPECT_TRUE(Has(entries, "Language", "Language=Eng"));
    EXPECT_TRUE(Has(entries, "Language", std::string(c.unit_key) + "=" + c.unit_caption));
    EXPECT_TRUE(Has(entries, "Language", "sec.=sec."));
    EXPECT_TRUE(Has(entries, "Language", "Phone=Phone"));
    for (const std::string& line : {
             "Periode of test=Setting the period of the test " + product,
             "Test SMS=Activate sendig SMS TEST (status of " + product,
             "Battery=Battery voltage (on-board network " + product,
             "signal=Finding the signal strength (only when stopped " + product,
             "Low voltage=When the voltage is lower than the set, " + product + " send SMS.",
             "Support=Upgrading fw of " + product + ", loading Voice Messages.",
             std::string("RelLight=Relay switches pick up the call and will remain switched "
                         "still  the switching time after hanging call."),
         })
      EXPECT_TRUE(Has(entries, "Help", line)) << line;
  }
}

TEST(SettingsStartupTest, OneKeyRelabelsAllItsControlsAndIsWrittenBack) {
  TempDir dir;
  const std::string ini = dir.File("VRKTset.ini");
  // Key in capitals, value quoted with blanks around it.
  WriteBytes(ini, "[language]\r\nSEC. =  \"Sek.\" \r\nSMS PORTOPEN=Otevreno\r\n");
  testing::Harness h("VRKTset", dir.str());
  h.Start();
  Form1& f = h.program->form;
  for (Label* l : {&f.LabelSecTL, &f.LabelSecBL, &f.LabelSecBLb, &f.LabelSecWaiting, &f.LabelSecRel,
                   &f.LabelSecTin1, &f.LabelSecTin2, &f.LabelSecTin3})
    EXPECT_EQ(l->caption(), "Sek.") << l->name();
  for (Label* l : {&f.LabelPortOpen9, &f.LabelPortOpen1, &f.LabelPortOpen2, &f.LabelPortOpen3})
    EXPECT_EQ(l->caption(), "Otevreno") << l->name();
  EXPECT_EQ(f.LabelTime.caption(), "Time");
  EXPECT_EQ(f.ECALLmode1.caption(), "Emergency alarm mode");

  ASSERT_TRUE(h.program->FormClose());
  const std::string out = ReadBytes(ini);
  // The existing lines stay as they were, and no second "sec." key is added.
  EXPECT_EQ(
      out.find("[language]\r\nSEC. =  \"Sek.\" \r\nSMS PORTOPEN=Otevreno\r\nLanguage=Eng\r\n"), 0u);
  ProfileFile back(ini);
  back.Load();
  EXPECT_EQ(back.ReadString("Language", "sec.", ""), "Sek.");
  EXPECT_EQ(out.find("sec.="), std::string::npos);
}

TEST(SettingsStartupTest, FormKeysAtStartAndNeverWrittenBack) {
  struct Case {
    const char* form_lines;
    bool inicializace;
    int top;
    int wait_ser;
  } cases[] = {
      {"", false, 200, 1000},
      {"Inicializace=1\r\n", true, 200, 1000},
      {"Inicializace=0\r\n", false, 200, 1000},
      {"Inicializace=0x10\r\nTop=0x20\r\n", true, 32, 1000},
      {"Inicializace=yes\r\nTop=high\r\nWaitSer=0x\r\n", false, 200, 1000},
      {"inicializace = \"2\"\r\nTOP=-40\r\nWaitSer=250\r\n", true, -40, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form_lines);
    TempDir dir;
    const std::string ini = dir.File("VRKTset.ini");
    const std::string form = std::string("[Form]\r\nPort=junk\r\n") + c.form_lines;
    WriteBytes(ini, form);
    testing::Harness h("VRKTset", dir.str());
    h.Start();
    EXPECT_EQ(h.program->form.Inicializace.visible(), c.inicializace);
    EXPECT_EQ(h.program->form.top, c.top);
    EXPECT_EQ(h.program->settings.WaitSer, c.wait_ser);
    EXPECT_EQ(h.program->settings.Port, 0);
    ASSERT_TRUE(h.program->FormClose());
    ProfileFile back(ini);
    back.Load();
    EXPECT_EQ(back.ReadString("Form", "Port", ""), "junk");
    // The start-up options keep what the file held, or stay absent.
    ProfileFile before("unused.ini");
    before.Parse(form);
    for (const char* key : {"WaitSer", "Inicializace"})
      EXPECT_EQ(back.ReadString("Form", key, "<none>"), before.ReadString("Form", key, "<none>"))
          << key;
  }
}

TEST(SettingsStartupTest, ForeignLinesSurviveTheExitByteForByte) {
  TempDir dir;
  const std::string ini = dir.File("DVG1Cset.ini");
  const std::string original =
      "; Czech translation\n"
      "[Form]\n"
      "Top=10\n"
      "Left=20\n"
      "Port=3\n"
      "WaitSer=500\n"
      "Inicializace=0\n"
      "FutureOption=yes\n"
      "\n"
      "[Notes]\n"
      "anything = goes\n"
      "no equals sign here\n"
      "\n"
      "[Language]\n"
      "; the unit group\n"
      "Dorvik GSM=Jednotka\n"
      "GSM Vornacle=unused by this variant\n"
      "Unknown key=kept\n"
      "\n"
      "[Help]\n"
      "PIN=\"Aktualni PIN\"\n";
  WriteBytes(ini, original);
  testing::Harness h("DVG1Cset", dir.str());
  h.Start();
  EXPECT_EQ(h.program->form.GroupBox4.caption(), "Jednotka");
  EXPECT_EQ(h.program->form.PIN.tooltip(), "Aktualni PIN");
  ASSERT_TRUE(h.program->FormClose());
  const std::string out = ReadBytes(ini);

  // Every original line is still there, in order, with its LF line end; new keys come in between.
  size_t pos = 0;
  size_t start = 0;
  while (start < original.size()) {
    size_t end = original.find('\n', start) + 1;
    std::string line = original.substr(start, end - start);
    size_t found = out.find(line, pos);
    ASSERT_NE(found, std::string::npos) << "lost: " << line;
    pos = found + line.size();
    start = end;
  }
  EXPECT_EQ(out.find('\r'), std::string::npos);
  // The port chosen at start-up is the one new line before the foreign section.
  EXPECT_EQ(out.find("[Notes]\nanything = goes\nno equals sign here\n\n[Language]\n"),
            original.find("[Notes]") + std::string("LastPort=sim\n").size());
  EXPECT_NE(out.find("FutureOption=yes\nLastPort=sim\n\n[Notes]"), std::string::npos);
}

TEST(SettingsStartupTest, FailedWriteIsReportedAndTheProgramStillEnds) {
  // A folder that does not exist.
  {
    TempDir dir;
    testing::Harness h("VRKTset", dir.str() + "/gone");
    h.Start();
    EXPECT_FALSE(h.program->FormClose());
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    // The platform's separator throughout, though the program's path was built with '/'.
    const std::string sep(1, static_cast<char>(std::filesystem::path::preferred_separator));
    EXPECT_EQ(h.dialogs.messages[0],
              "Unable to write to " + dir.str() + sep + "gone" + sep + "VRKTset.ini");
  }
  // A file that exists and cannot be replaced: the program reads it, reports the failed write
  // at exit and leaves it as it was, with nothing beside it.
  auto expect_kept = [](const std::string& name, void (*protect)(const std::string& ini)) {
    TempDir dir;
    const std::string ini = dir.File(name + ".ini");
    const std::string old = "[Form]\r\nTop=7\r\n; mine\r\n";
    WriteBytes(ini, old);
    ASSERT_EQ(ReadBytes(ini), old);
    protect(ini);
    testing::Harness h(name, dir.str());
    h.Start();
    EXPECT_EQ(h.program->form.top, 7);
    EXPECT_FALSE(h.program->FormClose());
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0], "Unable to write to " + ini);
    EXPECT_EQ(ReadBytes(ini), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.str()), {}), 1);
    std::filesystem::permissions(ini, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  };
  // The name is as long as the file system allows, so no temporary name fits beside it; this
  // fails even for an administrator.
  expect_kept("VRKT" + std::string(255 - 4 - 4, 'x'), [](const std::string&) {});
  // The user made it read-only.
  expect_kept("VRKTset", [](const std::string& ini) {
    using std::filesystem::perms;
    std::filesystem::permissions(ini, perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
  });
}

TEST(SettingsStartupTest, CentralEuropeanCaptionsKeepTheirBytes) {
  TempDir dir;
  const std::string ini = dir.File("VRKTset.ini");
  // Windows-1250: "Tlačítko", "Uložit", "Čekání", and 0x81, a byte 1250 leaves undefined.
  const std::string button = "Tla\xE8\xEDtko";
  const std::string save = "Ulo\x9Eit \x81";
  const std::string help =
      "\xC8"
      "ek\xE1n\xED";
  WriteBytes(ini, "[Language]\r\nLanguage=Cze\r\nbutton=" + button + "\r\nSave=" + save +
                      "\r\n[Help]\r\nwaiting=" + help + "\r\n");
  const std::string before = ReadBytes(ini);
  testing::Harness h("VRKTset", dir.str());
  h.Start();
  Form1& f = h.program->form;
  EXPECT_EQ(f.RelBut1.caption(), button);
  EXPECT_EQ(f.Save.caption(), save);
  EXPECT_EQ(f.waiting.tooltip(), help);
  EXPECT_EQ(h.program->settings.Language, "Cze");
  EXPECT_EQ(CodePageToUtf8(f.RelBut1.caption(), 1250), "Tlačítko");
  EXPECT_EQ(CodePageToUtf8(f.waiting.tooltip(), 1250), "Čekání");
  EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(f.Save.caption(), 1250), 1250), save);
  ASSERT_TRUE(h.program->FormClose());
  const std::string out = ReadBytes(ini);
  EXPECT_EQ(out.substr(0, before.find("[Help]")), before.substr(0, before.find("[Help]")));
  EXPECT_NE(out.find("\r\nwaiting=" + help + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vrkt
