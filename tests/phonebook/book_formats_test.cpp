#include "phonebook/book_formats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"

namespace vrkt {

// For readable failures.
void PrintTo(const BookRecord& r, std::ostream* os) {
  *os << "{" << r.where << ", '" << r.name << "', '" << r.number << "'"
      << (r.problem.empty() ? "" : ", " + r.problem) << "}";
}
bool operator==(const BookRecord& a, const BookRecord& b) {
  return a.where == b.where && a.name == b.name && a.number == b.number && a.problem == b.problem;
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

BookRecord Rec(std::string where, std::string name, std::string number, std::string problem = {}) {
  return {std::move(where), std::move(name), std::move(number), std::move(problem)};
}

TEST(BookTextTest, EncodingFromTheMarkTheBytesOrTheCodePage) {
  const std::string czech = "\xC4\x8C" "ern\xC3\xBD";  // "Černý"
  struct Case {
    std::string bytes;
    std::string utf8;
    std::string encoding;
  } cases[] = {
      {"\xEF\xBB\xBF" + czech, czech, "UTF-8"},
      {czech, czech, "UTF-8"},
      {"\xC8" "ern\xFD", czech, "code page 1250"},
      {std::string("\xFF\xFE\x0C\x01" "e\0r\0n\0\xFD\0", 12), czech, "UTF-16"},
      {std::string("\xFE\xFF\x01\x0C\0e\0r\0n\0\xFD", 12), czech, "UTF-16"},
      // A surrogate pair, and a lone surrogate that must not vanish.
      {std::string("\xFF\xFE\x3D\xD8\x00\xDE\x00\xD8", 8), "\xF0\x9F\x98\x80\xEF\xBF\xBD", "UTF-16"},
      {"plain", "plain", "UTF-8"},
  };
  for (const Case& c : cases) {
    DecodedText t = DecodeFileText(c.bytes, 1250);
    EXPECT_EQ(t.utf8, c.utf8) << c.encoding;
    EXPECT_EQ(t.encoding, c.encoding);
  }
}

TEST(CsvTest, SpreadsheetOfAEuropeanLocale) {
  // What a spreadsheet with a comma as its decimal mark writes: semicolons, quotes where a
  // field holds one, CR LF.
  const std::string sheet =
      "Jm\xC3\xA9no;Telefonn\xC3\xAD \xC4\x8D\xC3\xADslo\r\n"
      "Nov\xC3\xA1k Jan;+420 602 555 111\r\n"
      "\"Dvo\xC5\x99\xC3\xA1k; Anton\xC3\xADn\";602555112\r\n"
      ";\r\n"
      "\"He said \"\"hi\"\"\";\"+420 (777) 555-113\"\r\n";
  EXPECT_THAT(ReadCsv(sheet),
              ElementsAre(Rec("row 2", "Nov\xC3\xA1k Jan", "+420 602 555 111"),
                          Rec("row 3", "Dvo\xC5\x99\xC3\xA1k; Anton\xC3\xADn", "602555112"),
                          Rec("row 5", "He said \"hi\"", "+420 (777) 555-113")));
  // LF alone reads the same.
  std::string lf = sheet;
  std::erase(lf, '\r');
  EXPECT_EQ(ReadCsv(lf), ReadCsv(sheet));
}

TEST(CsvTest, HeadersSeparatorsAndColumns) {
  // Columns in either order, others between them, the header in English.
  EXPECT_THAT(ReadCsv("Mobile Phone,Company,Full Name\n602,ACME,Anna\n"),
              ElementsAre(Rec("row 2", "Anna", "602")));
  // Tabs, and an Excel "sep=" line that names the separator.
  EXPECT_THAT(ReadCsv("Name\tNumber\nAnna\t602\n"), ElementsAre(Rec("row 2", "Anna", "602")));
  EXPECT_THAT(ReadCsv("sep=;\r\nName;Number\r\nNovak, Jan;602\r\n"),
              ElementsAre(Rec("row 2", "Novak, Jan", "602")));
  // No header: name, then number.
  EXPECT_THAT(ReadCsv("Anna,602\nBob , 603 \n"),
              ElementsAre(Rec("row 1", "Anna", "602"), Rec("row 2", "Bob", "603")));
  // One known header in two columns: the other column is the other field.
  EXPECT_THAT(ReadCsv("Kdo;Telefon\nAnna;602\n"), ElementsAre(Rec("row 2", "Anna", "602")));
  // Missing fields are empty; an empty file holds nothing.
  EXPECT_THAT(ReadCsv("Name,Number\nAnna\n"), ElementsAre(Rec("row 2", "Anna", "")));
  EXPECT_THAT(ReadCsv(""), IsEmpty());
  EXPECT_THAT(ReadCsv("\r\n\r\n"), IsEmpty());
  EXPECT_THROW(ReadCsv("Kdo;Telefon;Pozn\xC3\xA1mka\nAnna;602;x\n"), AppError);
}

TEST(CsvTest, QuotedFieldsHoldEverything) {
  EXPECT_THAT(
      ReadCsv("Name,Number\r\n"
              "\"Reception\r\ndesk\",\"1,2\"\r\n"      // a line break becomes a blank
              "\"  padded  \" , 3\r\n"                // blanks inside quotes stay
              "a\"b,4\r\n"                            // a quote inside an unquoted field
              "\"Anna\"x,5\r\n"),                     // text after the closing quote
      ElementsAre(Rec("row 2", "Reception desk", "1,2"), Rec("row 3", "  padded  ", "3"),
                  Rec("row 4", "a\"b", "4"), Rec("row 5", "Annax", "5")));
  // A quote that never closes swallows the rest: that is said, not imported.
  EXPECT_THAT(ReadCsv("Name,Number\nAnna,\"602\nBob,603\n"),
              ElementsAre(Rec("row 2", "Anna", "602 Bob,603 ",
                              "a quoted field is never closed, so the rest of the file is in it")));
}

TEST(CsvTest, WrittenForSpreadsheets) {
  EXPECT_EQ(WriteCsv({{"Anna", "+420602"}, {"Nov\xC3\xA1k, Jan", "1"}, {"say \"hi\"", "2"},
                      {" lead", "3"}, {"semi;colon", "4"}}),
            "\xEF\xBB\xBFName,Number\r\n"
            "Anna,+420602\r\n"
            "\"Nov\xC3\xA1k, Jan\",1\r\n"
            "\"say \"\"hi\"\"\",2\r\n"
            "\" lead\",3\r\n"
            "\"semi;colon\",4\r\n");
}

TEST(VcardTest, CardsFromAnAddressBook) {
  const std::string book =
      "BEGIN:VCARD\r\n"
      "VERSION:3.0\r\n"
      "N:Nov\xC3\xA1k;Jan;;Ing.;\r\n"
      "FN:Jan Nov\xC3\xA1k\\, technik\r\n"
      "TEL;TYPE=CELL,VOICE:+420 602 555 111\r\n"
      "item1.TEL;type=WORK:(02) 555-112\r\n"
      "EMAIL:jan@example.com\r\n"
      "END:VCARD\r\n"
      "begin:vcard\n"                                   // letter case and LF alone
      "version:3.0\n"
      "n:Dvo\xC5\x99\xC3\xA1k;Anton\xC3\xADn;;;\n"     // no FN: the name comes from N
      "tel:777555113\n"
      "end:vcard\n"
      "BEGIN:VCARD\r\n"
      "VERSION:3.0\r\n"
      "FN:A very long name that an address book folded onto a second line beca\r\n"
      " use it is long\r\n"
      "NOTE:no number here\r\n"
      "END:VCARD\r\n"
      "BEGIN:VCARD\r\n"
      "VERSION:4.0\r\n"
      "FN:Back\\\\slash\\;semi\\nline\r\n"
      "TEL;VALUE=uri;TYPE=cell:tel:+1-555-0100\r\n"
      "END:VCARD\r\n";
  EXPECT_THAT(
      ReadVcard(book, 1250),
      ElementsAre(
          Rec("card 1, number 1", "Jan Nov\xC3\xA1k, technik", "+420 602 555 111"),
          Rec("card 1, number 2", "Jan Nov\xC3\xA1k, technik", "(02) 555-112"),
          Rec("card 2", "Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k", "777555113"),
          Rec("card 3", "A very long name that an address book folded onto a second line because it is long", ""),
          Rec("card 4", "Back\\slash;semi line", "+1-555-0100")));
}

TEST(VcardTest, OlderPhonesWriteQuotedPrintable) {
  const std::string card =
      "BEGIN:VCARD\r\n"
      "VERSION:2.1\r\n"
      "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C5=A0=C5=A5astn=C3=A1 V=C4=9B=\r\n"
      "ra\r\n"
      "TEL;CELL:602555114\r\n"
      "END:VCARD\r\n"
      "BEGIN:VCARD\r\n"
      "VERSION:2.1\r\n"
      "FN;CHARSET=WINDOWS-1250;QUOTED-PRINTABLE:=C8ern=FD\r\n"
      "TEL:1\r\n"
      "END:VCARD\r\n"
      "BEGIN:VCARD\r\n"                               // no END: taken all the same
      "FN:Last\r\n"
      "TEL:2\r\n";
  EXPECT_THAT(ReadVcard(card, 1252),
              ElementsAre(Rec("card 1", "\xC5\xA0\xC5\xA5" "astn\xC3\xA1 V\xC4\x9Bra", "602555114"),
                          Rec("card 2", "\xC4\x8C" "ern\xC3\xBD", "1"),
                          Rec("card 3", "Last", "2")));
}

TEST(VcardTest, VersionGovernsTheLinesBeforeItAndLabelsTheNumbersBeforeThem) {
  const std::string book =
      "BEGIN:VCARD\r\n"
      "FN:Ku\xE8" "era\r\n"                           // 8-bit, read before its card's VERSION
      "item1.TEL:602555115\r\n"
      "VERSION:3.0\r\n"
      "item1.X-ABLabel:work\r\n"
      "END:VCARD\r\n"
      "BEGIN:VCARD\r\n"                               // no VERSION: the code page is taken
      "FN;ENCODING=QUOTED-PRINTABLE:=C8=\r\n"
      "ern=\r\n"
      "=FD\r\n"
      "item1.TEL:602555116\r\n"
      "item1.X-ABLabel:_$!<Mobile>!$_\r\n"
      "END:VCARD\r\n";
  std::vector<BookRecord> read = ReadVcard(book, 1250);
  EXPECT_THAT(read, ElementsAre(Rec("card 1", "", "602555115",
                                    "line 2 is not UTF-8, which a vCard 3.0 must be"),
                                Rec("card 2", "\xC4\x8C" "ern\xC3\xBD", "602555116")));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].kind, PhoneKind::kWork);
  EXPECT_EQ(read[1].kind, PhoneKind::kMobile);
}

TEST(VcardTest, WrittenAsVersion3) {
  const std::string long_name(100, 'x');
  std::string out = WriteVcard({{"Nov\xC3\xA1k, Jan", "+420602"}, {long_name, "1"}});
  EXPECT_EQ(out.substr(0, out.find("END:VCARD\r\n") + 11),
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nov\xC3\xA1k\\, Jan\r\nN:Nov\xC3\xA1k\\, Jan;;;;\r\n"
            "TEL:+420602\r\nEND:VCARD\r\n");
  // No line longer than 75 bytes, and reading it back gives the rows.
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find("\r\n", start);
    EXPECT_LE(end - start, 75u);
    start = end + 2;
  }
  EXPECT_THAT(ReadVcard(out, 1252), ElementsAre(Rec("card 1", "Nov\xC3\xA1k, Jan", "+420602"),
                                                Rec("card 2", long_name, "1")));
}

}  // namespace
}  // namespace vrkt
