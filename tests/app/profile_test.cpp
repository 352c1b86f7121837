#include "base/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/codepage.h"
#include "base/error.h"
#include "support/temp_dir.h"

namespace vrkt {
namespace {

ProfileFile Parsed(const std::string& bytes) {
  ProfileFile p("unused.ini");
  p.Parse(bytes);
  return p;
}

TEST(ProfileReadTest, ValuesAsAReaderSeesThem) {
  const std::string long_value(3000, 'x');
  ProfileFile p = Parsed(
      "\xEF\xBB\xBF[Form]\r\n"
      "Top=  17  \r\n"
      "Quoted = \"  in quotes  \"\r\n"
      "Single='single'\r\n"
      "Odd=\"unbalanced\n"
      "Mixed=\"a'\r\n"
      "Lone=\"\r\n"
      "Empty=\r\n"
      "; Hidden=commented out\r\n"
      "a line without an equals sign\r\n"
      "Twice=first\r\n"
      "Twice=second\r\n"
      "\t  [ LANGUAGE ]  trailing\r\n"
      "SEC.=Sek.\r\n"
      "Long=" +
      long_value +
      "\r\n"
      "Eq=a=b\r\n"
      "[Help]\r\n"
      "Top=in another section");
  struct Case {
    const char* section;
    const char* key;
    std::string want;
  } cases[] = {
      {"Form", "Top", "17"},                // blanks around removed; BOM before the header
      {"form", "QUOTED", "  in quotes  "},  // one pair of quotes, blanks inside kept
      {"Form", "Single", "single"},
      {"Form", "Odd", "\"unbalanced"},  // LF line end; no closing quote
      {"Form", "Mixed", "\"a'"},
      {"Form", "Lone", "\""},
      {"Form", "Empty", ""},  // present but empty is not the default
      {"Form", "; Hidden", "<def>"},
      {"Form", "Hidden", "<def>"},
      {"Form", "Twice", "first"},
      {"Language", "sec.", "Sek."},  // header with blanks and case, key case
      {"Language", "Long", std::string(2047, 'x')},
      {"Language", "Eq", "a=b"},
      {"Help", "Top", "in another section"},  // last line without a line end
      {"Help", "Missing", "<def>"},
      {"Nowhere", "Top", "<def>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(p.ReadString(c.section, c.key, "<def>"), c.want) << c.section << "/" << c.key;
}

TEST(ProfileReadTest, IntegersAndBooleans) {
  struct Case {
    const char* value;
    int64_t want;  // with default -1
  } cases[] = {
      {"10", 10},
      {" 0x10 ", 16},
      {"0X1f", 31},
      {"\"0x10\"", 16},
      {"-5", -5},
      {"+7", 7},
      {"0x", -1},
      {"0xg1", -1},
      {"12abc", -1},
      {"abc", -1},
      {"", -1},
      {"1 2", -1},
      {"-", -1},
      {"2147483647", 2147483647},
      {"2147483648", -1},
      {"-2147483648", -2147483648LL},
      {"99999999999999999999999", -1},
      {"0x7FFFFFFF", 2147483647},
      {"0x100000000", -1},
      {"010", 10},
  };
  for (const Case& c : cases) {
    ProfileFile p = Parsed(std::string("[S]\nK=") + c.value + "\n");
    EXPECT_EQ(p.ReadInteger("S", "K", -1), c.want) << "'" << c.value << "'";
  }
  ProfileFile p = Parsed("[S]\nOn=0x10\nOff=0\nJunk=yes\n");
  EXPECT_TRUE(p.ReadBool("S", "On", false));
  EXPECT_FALSE(p.ReadBool("S", "Off", true));
  EXPECT_TRUE(p.ReadBool("S", "Junk", true));
  EXPECT_FALSE(p.ReadBool("S", "Junk", false));
  EXPECT_FALSE(p.ReadBool("S", "Missing", false));
}

TEST(ProfileWriteTest, ChangesOnlyWhatIsWritten) {
  // LF line ends, comments, an unknown section, odd lines and no line end at the very end.
  ProfileFile p = Parsed(
      "; translation by someone\n"
      "[Form]\n"
      "top = 5 ; not a comment, part of the value\n"
      "Port=3\n"
      "garbage line\n"
      "\n"
      "[Other]\n"
      "x=1\n"
      "[Language]\n"
      "sec.=  \"Sek.\"  \n"
      "; last words");
  p.WriteInteger("Form", "Top", 250);   // replaced where it stands, key spelling kept
  p.WriteInteger("FORM", "Left", 300);  // added after the section's last line, before the blank
  p.WriteString("Language", "sec.", "Sek.");  // reads the same already: line kept as it is
  p.WriteString("Language", "Save", "Uložit");
  p.WriteString("Help", "PIN", "PIN now");  // new section at the end
  EXPECT_EQ(p.Bytes(),
            "; translation by someone\n"
            "[Form]\n"
            "top =250\n"
            "Port=3\n"
            "garbage line\n"
            "Left=300\n"
            "\n"
            "[Other]\n"
            "x=1\n"
            "[Language]\n"
            "sec.=  \"Sek.\"  \n"
            "; last words\n"
            "Save=Uložit\n"
            "[Help]\n"
            "PIN=PIN now\n");
}

TEST(ProfileWriteTest, NewFileUsesCrLfAndKeysInWriteOrder) {
  ProfileFile p = Parsed("");
  p.WriteInteger("Form", "Top", 1);
  p.WriteInteger("Form", "Left", 2);
  p.WriteString("Language", "Language", "Eng");
  p.WriteInteger("Form", "Top", 3);
  EXPECT_EQ(p.Bytes(), "[Form]\r\nTop=3\r\nLeft=2\r\n[Language]\r\nLanguage=Eng\r\n");
}

TEST(ProfileWriteTest, EveryValueReadsBackAsWritten) {
  const std::string values[] = {
      " leading", "trailing ", "\"quoted\"",
      "'single'", "\"",        "",
      "plain",    "a = b ; c", std::string("\x81\x8D\xFF\x01 bytes", 10),
  };
  ProfileFile p = Parsed("[S]\r\nK=old\r\n");
  for (const std::string& v : values) {
    p.WriteString("S", "K", v);
    EXPECT_EQ(Parsed(p.Bytes()).ReadString("S", "K", "<def>"), v) << v;
  }
  // A line break inside a value must not forge another key or section.
  p.WriteString("S", "K", "one\r\n[Form]\r\nTop=1");
  ProfileFile again = Parsed(p.Bytes());
  EXPECT_EQ(again.ReadString("Form", "Top", "<none>"), "<none>");
  EXPECT_EQ(again.ReadString("S", "K", ""), "one  [Form]  Top=1");
}

TEST(ProfileWriteTest, CarriageReturnThatEndsTheFileEndsTheLine) {
  // Found by fuzzing: "Save=\r" at the very end read as the caption "\r", and a key added after
  // it turned the carriage return into a line end, so the next start read another caption.
  ProfileFile p = Parsed("[Language]\nSave=Ulo\r");
  EXPECT_EQ(p.ReadString("Language", "Save", "<def>"), "Ulo");
  EXPECT_EQ(p.Bytes(), "[Language]\nSave=Ulo\r");
  p.WriteString("Language", "Load", "Nahrat");
  EXPECT_EQ(p.Bytes(), "[Language]\nSave=Ulo\r\nLoad=Nahrat\n");
  p.WriteString("Help", "PIN", "x");
  EXPECT_EQ(Parsed(p.Bytes()).ReadString("Language", "Save", "<def>"), "Ulo");
  EXPECT_EQ(Parsed(p.Bytes()).ReadString("Help", "PIN", "<def>"), "x");
}

// A settings file saved by a modern editor is UTF-8, with or without its mark; the program's
// texts are in the code page, and what is written back must stay UTF-8.
TEST(ProfileEncodingTest, Utf8FilesAreReadAndWrittenAsUtf8) {
  const int saved = ActiveCodePage();
  SetActiveCodePage(1250);
  const std::string cp_text = "Ulo\x9Eit nastaven\xED";  // "Uložit nastavení" in 1250
  for (const std::string& mark : {std::string("\xEF\xBB\xBF"), std::string()}) {
    SCOPED_TRACE(mark.empty() ? "no mark" : "mark");
    ProfileFile p = Parsed(mark + "[Language]\r\nSave=Ulo\xC5\xBEit nastaven\xC3\xAD\r\n");
    EXPECT_TRUE(p.utf8());
    EXPECT_EQ(p.ReadString("Language", "Save", ""), cp_text);
    // The same text written back changes nothing; a new one is stored as UTF-8.
    p.WriteString("Language", "Save", cp_text);
    p.WriteString("Language", "Load", "Na\xE8\xEDst");  // "Načíst"
    EXPECT_EQ(p.Bytes(), mark +
                             "[Language]\r\nSave=Ulo\xC5\xBEit nastaven\xC3\xAD\r\n"
                             "Load=Na\xC4\x8D\xC3\xADst\r\n");
  }
  // Code-page bytes are no well-formed UTF-8: such a file is read and written as it is, and so
  // is a file of plain ASCII.
  for (const std::string& body : {std::string("Save=") + cp_text, std::string("Save=plain")}) {
    ProfileFile p = Parsed("[Language]\r\n" + body + "\r\n");
    EXPECT_FALSE(p.utf8());
    EXPECT_EQ(p.ReadString("Language", "Save", ""), body.substr(5));
    p.WriteString("Language", "Load", "Na\xE8\xEDst");
    EXPECT_EQ(p.Bytes(), "[Language]\r\n" + body + "\r\nLoad=Na\xE8\xEDst\r\n");
  }
  SetActiveCodePage(saved);
}

// File names are UTF-8 outside the file: a code-page file holds them in its code page, and one
// its code page cannot hold is not written at all rather than written wrong.
TEST(ProfileEncodingTest, PathsKeepTheirLettersOrAreNotWritten) {
  const int saved = ActiveCodePage();
  SetActiveCodePage(1250);
  const std::string folder = "/home/ji\xC5\x99\xC3\xAD/v\xC3\xBDtahy";  // "/home/jiří/výtahy"
  ProfileFile cp = Parsed("[Form]\r\nTop=1\r\n");
  EXPECT_TRUE(cp.WritePath("Folders", "ParameterFiles", folder));
  EXPECT_EQ(cp.Bytes(),
            "[Form]\r\nTop=1\r\n[Folders]\r\nParameterFiles=/home/ji\xF8\xED/v\xFDtahy\r\n");
  EXPECT_EQ(Parsed(cp.Bytes()).ReadPath("Folders", "ParameterFiles"), folder);
  SetActiveCodePage(1252);
  ProfileFile western = Parsed("[Form]\r\nTop=1\r\n");
  EXPECT_FALSE(western.WritePath("Folders", "ParameterFiles", folder)) << "no \"\xC5\x99\" in 1252";
  EXPECT_EQ(western.Bytes(), "[Form]\r\nTop=1\r\n");
  // A UTF-8 file holds any name as it is.
  ProfileFile utf8 = Parsed("\xEF\xBB\xBF[Form]\r\n");
  EXPECT_TRUE(utf8.WritePath("Folders", "LogFiles", folder));
  EXPECT_EQ(utf8.ReadPath("Folders", "LogFiles"), folder);
  EXPECT_NE(utf8.Bytes().find("LogFiles=" + folder + "\r\n"), std::string::npos);
  SetActiveCodePage(saved);
}

TEST(ProfileCommitTest, WritesFileAndReportsFailure) {
  testing::TempDir dir;
  const std::string path = dir.File("set.ini");
  ProfileFile p(path);
  p.Load();  // missing file: empty profile
  p.WriteString("A", "b", "c");
  p.Commit();
  EXPECT_EQ(testing::ReadBytes(path), "[A]\r\nb=c\r\n");

  const std::string missing = dir.File("no-such-folder") + "/set.ini";
  const std::string shown = dir.File("no-such-folder") +
                            static_cast<char>(std::filesystem::path::preferred_separator) +
                            "set.ini";
  ProfileFile q(missing);
  q.Load();
  q.WriteString("A", "b", "c");
  try {
    q.Commit();
    FAIL() << "write into a missing folder succeeded";
  } catch (const AppError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + shown);
  }
}

TEST(ProfileCommitTest, AFileThatCannotBeReadIsNotReplaced) {
  testing::TempDir dir;
  const std::string path = dir.File("set.ini");
  std::filesystem::create_directory(path);
  testing::WriteBytes(path + "/inside", "keep");
  ProfileFile p(path);
  p.Load();
  p.WriteString("A", "b", "c");
  EXPECT_THROW(p.Commit(), AppError);
  EXPECT_EQ(testing::ReadBytes(path + "/inside"), "keep");
}

}  // namespace
}  // namespace vrkt
