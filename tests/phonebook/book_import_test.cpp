#include "phonebook/book_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "base/codepage.h"

namespace vrkt {

bool operator==(const BookRow& a, const BookRow& b) { return a.name == b.name && a.number == b.number; }
void PrintTo(const BookRow& r, std::ostream* os) { *os << "{'" << r.name << "', '" << r.number << "'}"; }

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

Variant Vrkt() { return VariantFromFileName("VRKTset"); }
Variant Dvg() { return VariantFromFileName("DVG1Cset"); }

TEST(BookImportTest, SpreadsheetInWindows1250OrUtf8GivesTheSameRows) {
  const std::string sheet =
      "Jm\xC3\xA9no;Telefonn\xC3\xAD \xC4\x8D\xC3\xADslo\r\n"
      "\xC4\x8C" "ern\xC3\xBD Petr;+420 602 555 111\r\n"
      "\xC5\xA0\xC5\xA5" "astn\xC3\xA1 V\xC4\x9Bra;602-555-112\r\n"
      "\"Dvo\xC5\x99\xC3\xA1k; Anton\xC3\xADn\";603\r\n"
      "\xC5\xBD" "ofie;(777) 555.113\r\n";
  struct Case {
    std::string bytes;
    std::string encoding;
  } cases[] = {
      {sheet, "UTF-8"},
      {"\xEF\xBB\xBF" + sheet, "UTF-8"},
      {Utf8ToCodePage(sheet, 1250), "code page 1250"},
  };
  for (const Case& c : cases) {
    BookImport in = ImportBook(c.bytes, BookFormat::kCsv, Vrkt(), {}, 1250);
    EXPECT_EQ(in.encoding, c.encoding);
    EXPECT_THAT(in.rows, ElementsAre(BookRow{"\xC8" "ern\xFD Petr", "+420602555111"},
                                     BookRow{"\x8A\x9D" "astn\xE1 V\xECra", "602555112"},
                                     BookRow{"\x8E" "ofie", "777555113"}))
        << c.encoding;
    EXPECT_THAT(in.refused, ElementsAre("row 4 'Dvo\xC5\x99\xC3\xA1k; Anton\xC3\xADn': name holds "
                                        "\";\", which cannot be sent to the SIM"));
  }
}

TEST(BookImportTest, ReservedNamesOverLongRowsAndGapsAreRefusedByRow) {
  const std::string file =
      "Name,Number\n"
      "MASTER1,123\n"
      "PORTOPEN2,124\n"
      "Technical support desk,125\n"
      "Short,+42060255511199999999999\n"
      "VER,1\n"
      "Anna,\n"
      ",126\n"
      ",\n"
      "Fine,127\n";
  const SimLimits sim{250, 20, 16};
  BookImport vrkt = ImportBook(file, BookFormat::kCsv, Vrkt(), sim, 1252);
  EXPECT_THAT(vrkt.rows, ElementsAre(BookRow{"Fine", "127"}));
  const std::string reserved = " is a reserved name: the unit would take the row for one of its settings";
  EXPECT_THAT(vrkt.refused,
              ElementsAre("row 2 'MASTER1': MASTER1" + reserved,
                          // The other family's setting: a parameter file of it would take it.
                          "row 3 'PORTOPEN2': PORTOPEN2 is a name the unit or a parameter file "
                          "uses for a setting",
                          "row 4 'Technical support desk': name has 22 characters, this SIM takes 16",
                          "row 5 'Short': number has 24 characters, this SIM takes 20",
                          "row 6 'VER': VER" + reserved, "row 7 'Anna': no number",
                          "row 8 '': no name"));
  // Without known limits length is no reason.
  BookImport dvg = ImportBook(file, BookFormat::kCsv, Dvg(), {}, 1252);
  EXPECT_THAT(dvg.rows, ElementsAre(BookRow{"Technical support desk", "125"},
                                    BookRow{"Short", "+42060255511199999999999"},
                                    BookRow{"Fine", "127"}));
  EXPECT_EQ(dvg.refused[1], "row 3 'PORTOPEN2': PORTOPEN2" + reserved);
}

TEST(BookImportTest, ACharacterTheCodePageCannotHoldIsNamedNeverReplaced) {
  const std::string file =
      "Name,Number\n"
      "\xC5\x81\xC3\xB3" "d\xC5\xBA taxi,602\n"              // "Łódź taxi"
      "\xE2\x98\x8E Anna,60\xE2\x98\x8E" "2\n";              // a telephone sign in both
  BookImport western = ImportBook(file, BookFormat::kCsv, Vrkt(), {}, 1252);
  EXPECT_THAT(western.rows, IsEmpty());
  EXPECT_THAT(western.refused,
              ElementsAre("row 2 '\xC5\x81\xC3\xB3" "d\xC5\xBA taxi': name holds \"\xC5\x81\" "
                          "(U+0141) and \"\xC5\xBA\" (U+017A), which code page 1252 cannot hold",
                          "row 3 '\xE2\x98\x8E Anna': name holds \"\xE2\x98\x8E\" (U+260E), which "
                          "code page 1252 cannot hold; number holds \"\xE2\x98\x8E\" (U+260E), but "
                          "a SIM number takes only digits, +, * and #"));
  // The Central European page holds the whole name.
  BookImport central = ImportBook(file, BookFormat::kCsv, Vrkt(), {}, 1250);
  EXPECT_THAT(central.rows, ElementsAre(BookRow{"\xA3\xF3" "d\x9F taxi", "602"}));
}

TEST(BookImportTest, NumbersLoseWhatSpreadsheetsAddAndNothingElse) {
  struct Case {
    std::string given;
    std::string cleaned;
  } cases[] = {
      {"+420 602 555 111", "+420602555111"},
      {"(0602) 555.101", "0602555101"},
      {"602/555-101", "602555101"},
      {"602\xC2\xA0" "555\xE2\x80\xAF" "101", "602555101"},  // no-break blanks
      {"602\xE2\x80\x93" "555", "602555"},                    // en dash
      {"*21*#", "*21*#"},
      // Written the way people write them.
      {"+420 (0) 602 555 404", "+420602555404"},
      {"+44 (0)20 7946 0000", "+442079460000"},
      {"0044 (0)20 7946 0000", "+442079460000"},
      {"00420602555101", "+420602555101"},
      {"0602 555 101", "0602555101"},
      {"(0) 602", "0602"},  // no country code: the zero is dialled
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CleanNumber(c.given), c.cleaned) << c.given;
    EXPECT_EQ(CleanDialNumber(c.given).problem, "") << c.given;
  }
  // Extensions cannot be dialled from a SIM's phone book; what comes before them is kept for
  // the message.
  for (const char* given : {"602 555 101 ext 5", "602555101x5", "602 555 101 ext. 5",
                            "tel:602555101;ext=5", "602555101,5"}) {
    CleanedNumber n = CleanDialNumber(given);
    EXPECT_THAT(n.problem, ::testing::StartsWith("it has an extension")) << given;
    EXPECT_THAT(n.problem, ::testing::HasSubstr("5\"), which a SIM phone book cannot dial")) << given;
  }
  EXPECT_EQ(CleanDialNumber("602555101,5").number, "602555101");
  // A spreadsheet's exponent form has lost digits: refused with that reason.
  EXPECT_THAT(CleanDialNumber("4,20602E+11").problem, ::testing::HasSubstr("lost its last digits"));
  EXPECT_THAT(CleanDialNumber("4.20602E+11").problem, ::testing::HasSubstr("lost its last digits"));
}

TEST(BookImportTest, FormatFromTheNameOrTheContent) {
  EXPECT_EQ(BookFormatForPath("a/b.VCF"), BookFormat::kVcard);
  EXPECT_EQ(BookFormatForPath("b.vcard"), BookFormat::kVcard);
  EXPECT_EQ(BookFormatForPath("b.Csv"), BookFormat::kCsv);
  EXPECT_EQ(BookFormatForPath("b.txt"), BookFormat::kCsv);
  EXPECT_FALSE(BookFormatForPath("dir.vcf/book"));
  EXPECT_FALSE(BookFormatForPath("book"));
  EXPECT_EQ(BookFormatOf("export", "\r\nbegin:vcard\r\n"), BookFormat::kVcard);
  EXPECT_EQ(BookFormatOf("export", std::string("\xFF\xFE" "B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0", 24)),
            BookFormat::kVcard);
  EXPECT_EQ(BookFormatOf("export", "Name,Number\n"), BookFormat::kCsv);
  EXPECT_EQ(BookFormatOf("x.csv", "BEGIN:VCARD"), BookFormat::kCsv);
}

// Every row a SIM can hold, in every code page, comes back from both formats byte for byte.
TEST(BookImportTest, ExportThenImportGivesTheSameRowsByteForByte) {
  const SimLimits sim{250, 20, 16};
  std::mt19937 random(20240611);
  std::string name_bytes;
  for (int b = 32; b < 256; ++b)
    if (b != ',' && b != ';' && b != '"' && b != '=' && b != 127) name_bytes.push_back(static_cast<char>(b));
  const std::string number_chars = "0123456789+*#";
  auto pick = [&](const std::string& from, size_t max) {
    std::string s(std::uniform_int_distribution<size_t>(1, max)(random), ' ');
    for (char& c : s) c = from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
    return s;
  };
  for (int page : {1250, 1251, 1252, 1253, 1257}) {
    std::vector<BookRow> rows = {
        {" lead", "1"},       {"trail ", "2"},       {"   ", "3"},         {"a\\b", "4"},
        {"BEGIN:VCARD", "5"}, {"END:VCARD", "6"},    {"Name", "7"},       {"Number", "8"},
        {"tel:9", "+9"},      {"item1.TEL", "*#"},   {"#1 \xA0x\xA0", "10"}, {"'q'", "11"},
        {"x:y", "12"},        {"QUOTED-PRINTABLE", "13"},
    };
    for (int i = 0; i < 300; ++i) rows.push_back({pick(name_bytes, 16), pick(number_chars, 20)});
    // An import makes "00" before a country code "+" (tested apart).
    std::erase_if(rows, [&](const BookRow& r) {
      return !RowProblems(r.name, r.number, Vrkt(), sim).empty() || r.number.starts_with("00");
    });
    ASSERT_GT(rows.size(), 300u);
    for (BookFormat format : {BookFormat::kCsv, BookFormat::kVcard}) {
      BookImport back = ImportBook(ExportBook(rows, format, page), format, Vrkt(), sim, page);
      EXPECT_THAT(back.refused, IsEmpty()) << page;
      EXPECT_EQ(back.rows, rows) << page << (format == BookFormat::kCsv ? " csv" : " vcard");
    }
  }
}

TEST(BookImportTest, RowsForExportAndAfterImport) {
  int left_out = -1;
  EXPECT_THAT(RowsForExport({"Anna=602", "=", "NoNumber=", "=5", "line without equals", "a=b=c"},
                            left_out),
              ElementsAre(BookRow{"Anna", "602"}, BookRow{"a", "b=c"}));
  EXPECT_EQ(left_out, 4);
  EXPECT_THAT(MergeRows({"Old=1"}, {{"New", "2"}}, MergeMode::kMerge).rows, ElementsAre("Old=1", "New=2"));
  EXPECT_THAT(MergeRows({"Old=1"}, {{"New", "2"}}, MergeMode::kReplace).rows, ElementsAre("New=2"));
  EXPECT_EQ(RefusedList({"a", "b", "c"}, 2), "\na\nb\n... and 1 more");
  EXPECT_EQ(RefusedList({"a"}, 2), "\na");
}

}  // namespace
}  // namespace vrkt
