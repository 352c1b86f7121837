#include "files/param_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/error.h"
#include "files/file_test_util.h"
#include "files/monitor_log.h"
#include "params/mapping.h"
#include "phonebook/phonebook.h"
#include "support/harness.h"

namespace vrkt {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Every value-bearing control of the window and the held values, for comparing two states.
std::map<std::string, std::string> Snapshot(Program& p) {
  std::map<std::string, std::string> s;
  for (Control* c : p.form.controls()) {
    switch (c->kind()) {
      case ControlKind::kEdit:
        s[c->name()] = static_cast<Edit*>(c)->text();
        break;
      case ControlKind::kCheckBox:
        s[c->name()] = static_cast<CheckBox*>(c)->checked() ? "1" : "0";
        break;
      case ControlKind::kRadioButton:
        s[c->name()] = static_cast<RadioButton*>(c)->selected() ? "1" : "0";
        break;
      case ControlKind::kList:
        s[c->name()] = static_cast<ListControl*>(c)->text();
        break;
      case ControlKind::kTrackBar:
        s[c->name()] = std::to_string(static_cast<TrackBar*>(c)->position());
        break;
      default:
        break;
    }
  }
  s["held.PARVRKT"] = p.held.PARVRKT;
  s["held.PARRL1"] = p.held.PARRL1;
  s["held.TINPUTS"] = p.held.TINPUTS;
  s["held.SDATA"] = p.held.SDATA;
  s["book"] = p.phonebook.Text();
  return s;
}

// A configuration a technician could have made: every number field, every list, the relay,
// the voltage and a phone book with the awkward rows a file may carry.
void FillWindow(Program& p) {
  Form1& f = p.form;
  int n = 0;
  for (Edit* e : f.Masters()) e->SetText("60" + std::to_string(++n));
  for (Edit* e : f.Tests()) e->SetText("+4207" + std::to_string(++n));
  for (Edit* e : f.PortOpens()) e->SetText("*" + std::to_string(++n) + "#");
  for (Edit* e : f.PortCloses()) e->SetText("77" + std::to_string(++n));
  f.ALARMON.SetText("111");
  f.ALARMOFF.SetText("222");
  f.TIN1.SetText("600");
  f.TIN2.SetText("3");
  f.TIN3.SetText("1234");
  f.Dtime.SetText("15");
  f.Rate.SetText("19200");
  f.RelTime1.SetText("07");
  f.RelLi1.Select();
  f.VolMic.SetPosition(2);
  f.VolSpk.SetPosition(6);
  f.Tperiod.SetItemIndex(4);
  f.TShift.SetItemIndex(3);
  f.BLtime.SetItemIndex(2);
  f.BLbtime.SetItemIndex(5);
  f.TLtime.SetItemIndex(4);
  f.waiting.SetItemIndex(2);
  f.TestCall.SetChecked(true);
  f.ATest.SetChecked(true);
  f.VoltInt.SetText("11");
  f.VoltFr.SetText("5");
  p.phonebook.SetRows({"Anna=123", "Bob=456", "line without equals", "Anna=789", "PORTOPEN2=55",
                       "PORTOPEN=66", "=", "Zed="});
}

// Blanks what a load of the variant's file must bring back: the fields the file carries, those
// that the decode sets, every list, and the book.
void ClearWindow(Program& p) {
  Form1& f = p.form;
  std::vector<Edit*> edits = {&f.VoltInt, &f.VoltFr, &f.TIN1,    &f.TIN2,
                              &f.TIN3,    &f.Dtime,  &f.RelTime1};
  for (Edit* e : f.Masters()) edits.push_back(e);
  for (Edit* e : f.Tests()) edits.push_back(e);
  if (p.variant.IsVrkt()) {
    edits.push_back(&f.ALARMON);
    edits.push_back(&f.ALARMOFF);
  } else {
    for (Edit* e : f.PortOpens()) edits.push_back(e);
    for (Edit* e : f.PortCloses()) edits.push_back(e);
  }
  for (Edit* e : edits) e->SetText("");
  for (Control* c : f.controls())
    if (c->kind() == ControlKind::kList) static_cast<ListControl*>(c)->SetItemIndex(-1);
  p.phonebook.Clear();
}

class ParamFileTest : public ::testing::Test {
 protected:
  Program& Start(const std::string& program_name) {
    h = std::make_unique<testing::Harness>(program_name);
    h->Start();
    return *h->program;
  }
  void Load(const std::string& bytes) {
    std::string path = dir.File("in.vrk");
    WriteBytes(path, bytes);
    h->dialogs.file_answers.push_back(path);
    h->program->Run([&] { h->program->files.LoadClick(); });
  }
  std::string Save() {
    std::string path = dir.File("out.vrk");
    h->dialogs.file_answers.push_back(path);
    h->program->Run([&] { h->program->files.SaveClick(); });
    return ReadBytes(path);
  }

  TempDir dir;
  std::unique_ptr<testing::Harness> h;
};

TEST_F(ParamFileTest, SaveWritesTheKeysInTheVariantsOrder) {
  struct Case {
    const char* program;
    const char* filter;
    const char* ext;
    const char* ports;
    const char* compounds;
  } cases[] = {
      {"VRKTset", "VRKT files (*.vrk)|*.vrk", "vrk", "PORTCLOSE=1\r\nPORTOPEN=2\r\n",
       "PARAMVRKT=P\r\nPARAMRL1=R\r\n"},
      {"DVG1Cset", "DVG1C files (*.dvg)|*.dvg", "dvg",
       "PORTCLOSE1=c1\r\nPORTOPEN1=o1\r\nPORTCLOSE2=c2\r\nPORTOPEN2=o2\r\nPORTCLOSE3=c3\r\n"
       "PORTOPEN3=o3\r\n",
       "PARAMVRKT=P\r\nPARAMRL1=R\r\nTINPUTS=T\r\nSDATA=S\r\n"},
  };
  for (const Case& c : cases) {
    // Raw values, set without the field rules, so the layout alone is checked.
    Program& p = Start(c.program);
    Form1& f = p.form;
    for (Control* ctl : f.controls())
      if (ctl->kind() == ControlKind::kEdit) static_cast<Edit*>(ctl)->on_change = nullptr;
    for (Edit* e : f.Masters()) e->SetText(e->name().substr(6));
    for (Edit* e : f.Tests()) e->SetText(e->name().substr(4));
    f.MASTER5.SetText("");  // an empty key line is still written
    f.ALARMON.SetText("1");
    f.ALARMOFF.SetText("2");
    for (Edit* e : f.PortOpens()) e->SetText("o" + e->name().substr(8));
    for (Edit* e : f.PortCloses()) e->SetText("c" + e->name().substr(9));
    for (ListControl* l : {&f.TLtime, &f.BLtime, &f.BLbtime, &f.waiting, &f.Tperiod, &f.TShift})
      l->SetItemIndex(-1);  // no selection: the held values are written as they are
    p.held = {"P", "R", "T", "S", "V"};
    f.VoltInt.SetText("12");
    f.VoltFr.SetText("3");
    p.phonebook.SetRows({"Anna=1", "raw line"});

    std::string expected =
        std::string("MASTER1=1\r\nMASTER2=2\r\nMASTER3=3\r\nMASTER4=4\r\nMASTER5=\r\n") +
        "MASTER6=6\r\nMASTER7=7\r\nTEST1=1\r\nTEST2=2\r\nTEST3=3\r\nTEST4=4\r\n" +
        "TEST5=5\r\nTEST6=6\r\nTEST7=7\r\nTEST8=8\r\n" + c.ports + c.compounds +
        "VOLTAGE=12*3\r\nAnna=1\r\nraw line\r\n";
    EXPECT_EQ(Save(), expected) << c.program;
    ASSERT_FALSE(h->dialogs.file_options.empty());
    EXPECT_EQ(h->dialogs.file_options.back().filter, c.filter);
    EXPECT_EQ(h->dialogs.file_options.back().default_ext, c.ext);
    EXPECT_TRUE(h->dialogs.messages.empty());

    // "00" means no threshold: no line. An empty VoltInt is not "00".
    f.VoltInt.SetText("00");
    EXPECT_EQ(Save().find("VOLTAGE="), std::string::npos) << c.program;
    f.VoltInt.SetText("");
    EXPECT_NE(Save().find("\r\nVOLTAGE=*3\r\n"), std::string::npos) << c.program;
  }
}

TEST_F(ParamFileTest, RoundTripRestoresWindowAndBook) {
  for (const char* program : {"VRKTset", "DVG1Cset"}) {
    Program& p = Start(program);
    FillWindow(p);
    Save();
    auto before = Snapshot(p);
    ClearWindow(p);
    Load(ReadBytes(dir.File("out.vrk")));
    EXPECT_EQ(Snapshot(p), before) << program;
    EXPECT_TRUE(h->dialogs.messages.empty()) << program;
  }
}

TEST_F(ParamFileTest, SaveCarriesEditsMadeSinceTheLastRead) {
  Program& p = Start("VRKTset");
  FillWindow(p);
  p.held.PARVRKT = "4#4#3#9#3#5#30#3#2#0";  // as if read before the edits
  HeldValues encoded = p.held;
  EncodeEntryValues(p.form, encoded);
  // VolMic 2, VolSpk 6, Tperiod 4, TShift 3, TestCall+ATest, BLtime 2, BLbtime "10", TLtime 4,
  // waiting "30", no mode.
  ASSERT_EQ(encoded.PARVRKT, "6#2#4#3#5#2#10#4#3#0");
  std::string file = Save();
  EXPECT_NE(file.find("\r\nPARAMVRKT=6#2#4#3#5#2#10#4#3#0\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\nPARAMRL1=5#3#07#1\r\n"), std::string::npos);
  EXPECT_EQ(p.held.PARVRKT, "6#2#4#3#5#2#10#4#3#0");
}

TEST_F(ParamFileTest, SaveRightAfterStartUpWritesTheStartUpValues) {
  Program& p = Start("VRKTset");
  p.form.TLtime.SetItemIndex(3);  // the model counts as filled, the other lists are not chosen
  std::string file = Save();
  EXPECT_NE(file.find("\r\nPARAMVRKT=4#4#0#0#1#7#2#0\r\nPARAMRL1=55#1#03#1\r\n"),
            std::string::npos);
}

TEST_F(ParamFileTest, LoadTakesTheFirstRowOfEachKeyIgnoringCase) {
  struct Case {
    const char* program;
    const char* file;
    std::vector<std::pair<std::string, std::string>> controls;  // name, expected text
    std::vector<std::string> book;
    bool asks = false;  // a file without any key of the variant is loaded only when confirmed
  } cases[] = {
      {"VRKTset", "master1=0123\r\n", {{"MASTER1", "0123"}}, {}},
      {"VRKTset", "MASTER1 =0123\r\n", {{"MASTER1", "999"}}, {"MASTER1 =0123"}, true},
      {"VRKTset", "MASTER1=1\r\nMASTER1=2\r\n", {{"MASTER1", "1"}}, {"MASTER1=2"}},
      {"VRKTset", "no equals\r\nTest3=33", {{"TEST3", "33"}}, {"no equals"}},
      {"VRKTset", "PortClose=9\rportopen=8\n", {{"ALARMON", "9"}, {"ALARMOFF", "8"}}, {}},
      {"DVG1Cset", "PORTOPEN3=555\r\n", {{"PORTOPEN3", "555"}}, {}},
      {"DVG1Cset", "PORTOPEN=5\r\n", {{"ALARMOFF", "999"}}, {"PORTOPEN=5"}, true},
      // A DVG file in the VRKT variant: common keys taken, its own port keys stay as rows.
      {"VRKTset",
       "MASTER2=22\r\nPORTCLOSE1=1\r\nPORTOPEN1=2\r\nPORTCLOSE2=3\r\nPORTOPEN2=4\r\n"
       "PORTCLOSE3=5\r\nPORTOPEN3=6\r\nAnna=7\r\n",
       {{"MASTER2", "22"}, {"PORTOPEN1", "999"}},
       {"PORTCLOSE1=1", "PORTOPEN1=2", "PORTCLOSE2=3", "PORTOPEN2=4", "PORTCLOSE3=5", "PORTOPEN3=6",
        "Anna=7"}},
      {"VRKTset", "VOLTAGE=11*5\r\n", {{"VoltInt", "11"}, {"VoltFr", "5"}}, {}},
      {"VRKTset", "", {{"MASTER1", "999"}}, {}, true},
  };
  for (const Case& c : cases) {
    Program& p = Start(c.program);
    for (const auto& [name, text] : c.controls)
      static_cast<Edit*>(p.form.FindControl(name))->SetText("999");
    p.phonebook.SetRows({"previous=1"});
    h->dialogs.answers.push_back(0);
    Load(c.file);
    EXPECT_EQ(h->dialogs.questions.size(), c.asks ? 1u : 0u) << c.file;
    for (const auto& [name, text] : c.controls)
      EXPECT_EQ(static_cast<Edit*>(p.form.FindControl(name))->text(), text) << c.file;
    EXPECT_EQ(p.form.PhoneBook1.rows(), c.book) << c.file;
    EXPECT_TRUE(h->dialogs.messages.empty()) << c.file;
  }
}

// A log or a binary file picked by mistake would replace the phone book by hundreds of rows of
// junk: it is loaded only when the user confirms, and Cancel leaves the window as it was.
TEST_F(ParamFileTest, FileThatIsNoParameterFileLoadsOnlyWhenConfirmed) {
  struct Case {
    std::string bytes;
    bool binary;
    size_t lines;
  } cases[] = {
      {"[10:00:01]   OK\r\n[10:00:02]   +CSQ: 20,0\r\nsend buffer\r\n", false, 3},
      {"PORTOPEN1=5\r\nAnna=1\r\n", false, 2},  // keys of the other variant only
      {std::string("MASTER1=5\r\nPK\x03\x04\0\0data", 21), true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    Program& p = Start("VRKTset");
    p.form.MASTER1.SetText("112");
    p.phonebook.SetRows({"Anna=123"});
    Load(c.bytes);
    const std::string question = NotParameterFileQuestion(dir.File("in.vrk"), c.binary, c.lines);
    EXPECT_EQ(h->dialogs.questions, std::vector<std::string>{question});
    EXPECT_EQ(p.form.MASTER1.text(), "112");
    EXPECT_EQ(p.form.PhoneBook1.rows(), std::vector<std::string>{"Anna=123"});
    EXPECT_TRUE(h->dialogs.messages.empty());

    h->dialogs.answers.push_back(0);
    Load(c.bytes);
    EXPECT_EQ(p.form.PhoneBook1.rows().size() + (p.form.MASTER1.text() == "5" ? 1 : 0), c.lines);
  }
  EXPECT_EQ(NotParameterFileQuestion("C:\\log.txt", false, 912),
            "\"C:\\log.txt\" holds none of the settings of a parameter file. Loading it "
            "replaces the phone book by its 912 lines. Load it anyway?");
  EXPECT_EQ(NotParameterFileQuestion("a.bin", true, 1),
            "\"a.bin\" is not a text file. Loading it replaces the phone book by its 1 line. "
            "Load it anyway?");

  // Tabs, page ends, escapes and an end mark are text: a parameter file with them loads at once.
  Program& p = Start("VRKTset");
  Load("MASTER1=5\r\nNote\twith tab\f=\x1B[1m\r\n\x1A");
  EXPECT_TRUE(h->dialogs.questions.empty());
  EXPECT_EQ(p.form.MASTER1.text(), "5");
}

TEST_F(ParamFileTest, LoadDecodesCompoundKeysInEitherVariant) {
  Program& p = Start("VRKTset");
  Load("TINPUTS=0045#0003#0010\r\nSDATA=05#2400\r\nparamrl1=5#4#09#1\r\n");
  EXPECT_EQ(p.held.TINPUTS, "0045#0003#0010");
  EXPECT_EQ(p.held.SDATA, "05#2400");
  EXPECT_EQ(p.form.TIN1.text(), "45");
  EXPECT_EQ(p.form.Dtime.text(), "5");
  EXPECT_EQ(p.form.Rate.text(), "2400");
  EXPECT_TRUE(p.form.RelBut1.selected());
  EXPECT_EQ(p.form.RelTime1.text(), "09");
  EXPECT_TRUE(p.form.PhoneBook1.rows().empty());

  Load("VOLTAGE=115\r\n");  // no "*": VoltInt empties, VoltFr gets the value (through its rule)
  EXPECT_EQ(p.held.VOLTAGE, "115");
  EXPECT_EQ(p.form.VoltInt.text(), "");
  EXPECT_FALSE(p.form.VoltFr.text().empty());
}

TEST_F(ParamFileTest, FailedDecodeKeepsTheKeysNotReachedInTheBook) {
  Program& p = Start("VRKTset");
  p.form.VoltInt.SetText("12");
  // A 20-character PARAMVRKT whose blocking time field is not a number.
  Load("MASTER1=1\r\nPARAMVRKT=4#4#3#9#3#5#3##3#2#0\r\nVOLTAGE=11*5\r\nAnna=2\r\n");
  ASSERT_EQ(h->dialogs.messages.size(), 1u);
  EXPECT_NE(h->dialogs.messages[0].find("is not a valid integer value"), std::string::npos);
  EXPECT_EQ(p.form.MASTER1.text(), "1");
  EXPECT_EQ(p.form.VoltInt.text(), "12");
  EXPECT_EQ(p.form.PhoneBook1.rows(),
            (std::vector<std::string>{"PARAMVRKT=4#4#3#9#3#5#3##3#2#0", "VOLTAGE=11*5", "Anna=2"}));
}

TEST_F(ParamFileTest, ASavedFileLoadsBackAsItWasWhateverItsRowsAreNamed) {
  struct Case {
    const char* program;
    std::string file;
  } cases[] = {
      // A second TINPUTS line stays a row; the key it shadows is not one VRKT saves.
      {"VRKTset", "MASTER1=1\r\nTINPUTS=0045#0003#0010\r\nTINPUTS=03##\r\nAnna=2\r\n"},
      {"VRKTset", "MASTER1=1\r\nSDATA=05#2400\r\nsdata=xx\r\n"},
      // Without VoltInt the VOLTAGE key is not saved; a row of that name must stay a row.
      {"DVG1Cset", "VOLTAGE=00*5\r\nVOLTAGE=99\r\nBob=3\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Program& p = Start(c.program);
    FillWindow(p);
    Load(c.file);
    ASSERT_TRUE(h->dialogs.messages.empty()) << h->dialogs.messages[0];
    const std::string saved = Save();
    const auto loaded = Snapshot(p);  // the save brought the held values up to date
    ClearWindow(p);
    Load(saved);
    EXPECT_TRUE(h->dialogs.messages.empty()) << h->dialogs.messages[0];
    EXPECT_EQ(Snapshot(p), loaded);
    EXPECT_EQ(Save(), saved);  // and it keeps doing so
  }
}

TEST_F(ParamFileTest, ByteOrderMarkAndControlBytesInValues) {
  Program& p = Start("VRKTset");
  Load("\xEF\xBB\xBFMASTER1=123\r\nAnna=2\r\n");
  EXPECT_EQ(p.form.MASTER1.text(), "123");
  EXPECT_EQ(p.form.PhoneBook1.rows(), std::vector<std::string>{"Anna=2"});
  // A NUL in a compound value is shown, not allowed to cut the message short. (A NUL makes the
  // file look like no text file: the user is asked first, and loads it all the same.)
  h->dialogs.answers.push_back(0);
  Load(std::string("PARAMVRKT=4#4#3#9#3#5#3\0#3#2#0\r\n", 32));
  ASSERT_EQ(h->dialogs.messages.size(), 1u);
  EXPECT_EQ(h->dialogs.messages[0], "'3\\x00' is not a valid integer value");
}

TEST_F(ParamFileTest, UnreadableFileChangesNothing) {
  Program& p = Start("VRKTset");
  FillWindow(p);
  auto before = Snapshot(p);
  std::string missing = dir.File("missing.vrk");
  h->dialogs.file_answers.push_back(missing);
  p.Run([&] { p.files.LoadClick(); });
  ASSERT_EQ(h->dialogs.messages.size(), 1u);
  EXPECT_EQ(h->dialogs.messages[0].rfind("Cannot open file \"" + missing + "\". ", 0), 0u)
      << h->dialogs.messages[0];
  EXPECT_GT(h->dialogs.messages[0].size(), missing.size() + 21);  // the reason follows
  EXPECT_EQ(Snapshot(p), before);

  h->dialogs.file_answers.push_back(std::nullopt);  // Cancel
  p.Run([&] { p.files.LoadClick(); });
  p.Run([&] { p.files.SaveClick(); });
  EXPECT_EQ(h->dialogs.messages.size(), 1u);
  EXPECT_EQ(Snapshot(p), before);
}

TEST_F(ParamFileTest, LargeFilesLoad) {
  Program& p = Start("VRKTset");
  std::string text;
  for (int i = 0; i < 200000; ++i)
    text += "Name" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  std::string long_line(3 << 20, '7');
  text += "MASTER1=" + long_line + "\r\n" + long_line + "\r\nmaster2=42";
  LoadParameterText(p.parameters, text);
  EXPECT_EQ(p.phonebook.RowCount(), 200001);  // MASTER1 and master2 taken
  EXPECT_EQ(p.form.MASTER2.text(), "42");
  EXPECT_EQ(p.phonebook.RowText(200001), long_line);
  EXPECT_EQ(p.phonebook.FindName("name199999"), 200000);
}

// Monitor log.

TEST_F(ParamFileTest, MonitorLogIsWrittenByteForByte) {
  Program& p = Start("VRKTset");
  std::string path = dir.File("log.mon");
  h->dialogs.file_answers.push_back(path);
  p.form.Monitor.SetLines({});
  p.Run([&] { p.files.SaveMonitorClick(); });
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(h->dialogs.file_options.back().filter, "Monitor files (*.mon)|*.mon");
  EXPECT_EQ(h->dialogs.file_options.back().default_ext, "mon");

  std::vector<std::string> entries = {"[10:00:00]   OK", "[10:00:01]   ", "SIM1 MASTER1=123",
                                      "send buffer", "\xE8\xE9 8-bit"};
  p.form.Monitor.SetLines(entries);
  h->dialogs.file_answers.push_back(path);  // the same name again: only this content remains
  p.Run([&] { p.files.SaveMonitorClick(); });
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes,
            "[10:00:00]   OK\r\n[10:00:01]   \r\nSIM1 MASTER1=123\r\nsend buffer\r\n"
            "\xE8\xE9 8-bit\r\n");
  EXPECT_EQ(SplitTextLines(bytes), entries);
  EXPECT_TRUE(h->dialogs.messages.empty());
}

TEST_F(ParamFileTest, FailedWritesReportAndKeepTheOldFile) {
  Program& p = Start("VRKTset");
  FillWindow(p);
  HeldValues held_before = p.held;
  // File dialogs answer with '/' on every platform; messages show the platform's separator.
  std::string gone = dir.File("no-such-folder") + "/x.vrk";
  std::string shown = dir.File("no-such-folder") +
                      static_cast<char>(std::filesystem::path::preferred_separator) + "x.vrk";
  for (auto click : {&PcFiles::SaveClick, &PcFiles::SaveMonitorClick}) {
    h->dialogs.file_answers.push_back(gone);
    p.Run([&] { (p.files.*click)(); });
  }
  ASSERT_EQ(h->dialogs.messages.size(), 2u);
  for (const std::string& m : h->dialogs.messages)
    EXPECT_EQ(m.rfind("Cannot create file \"" + shown + "\". ", 0), 0u) << m;
  EXPECT_EQ(p.held.PARVRKT, held_before.PARVRKT);  // a failed save keeps the held values

  if (!testing::CanLimitFileSize()) GTEST_SKIP() << "no file size limit on this platform";
  std::string path = dir.File("keep.vrk");
  WriteBytes(path, "old content\r\n");
  std::vector<std::string> big(50000, std::string(40, 'x'));
  p.phonebook.SetRows(big);
  {
    testing::FileSizeLimit limit(4096);  // a write past this fails as on a full disk
    h->dialogs.file_answers.push_back(path);
    p.Run([&] { p.files.SaveClick(); });
  }
  ASSERT_EQ(h->dialogs.messages.size(), 3u);
  EXPECT_EQ(h->dialogs.messages[2].rfind("Cannot create file \"" + path + "\". ", 0), 0u);
  EXPECT_EQ(ReadBytes(path), "old content\r\n");
  EXPECT_EQ(dir.FileCount(), 1u);  // no partial file left beside it
}

}  // namespace
}  // namespace vrkt
