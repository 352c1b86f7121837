// Phone lists as address books, mail programs, phones and spreadsheets write them, each file
// written here in its producer's documented layout (column names and order, separators, quoting,
// code page, line ends), with the exact rows an import gives and the rows it refuses and why.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"
#include "phonebook/book_import.h"

namespace vrkt {

bool operator==(const BookRow& a, const BookRow& b);
void PrintTo(const BookRow& r, std::ostream* os);

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const Variant kVrkt = VariantFromFileName("VRKTset");
const SimLimits kSim{250, 40, 16};  // the simulated unit's SIM

// A CSV line of these cells: each quoted, as Outlook writes them, or bare.
std::string Line(const std::vector<std::string>& cells, char sep = ',', bool quote_all = false) {
  std::string out;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out.push_back(sep);
    const bool quote = quote_all || cells[i].find_first_of(",;\"\n") != std::string::npos;
    if (!quote) {
      out += cells[i];
      continue;
    }
    out.push_back('"');
    for (char c : cells[i]) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out + "\r\n";
}

std::string Utf16Le(std::string_view utf8_ascii_or_latin, bool mark) {
  std::string out = mark ? "\xFF\xFE" : "";
  // Test text here is Latin-1 or ASCII only: each UTF-8 letter is one code unit.
  for (size_t i = 0; i < utf8_ascii_or_latin.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8_ascii_or_latin[i]);
    char32_t cp = c;
    if (c >= 0xC0) cp = (c & 0x1F) << 6 | (static_cast<unsigned char>(utf8_ascii_or_latin[++i]) & 0x3F);
    out.push_back(static_cast<char>(cp & 0xFF));
    out.push_back(static_cast<char>(cp >> 8));
  }
  return out;
}

BookImport Import(const std::string& bytes, BookFormat format, int code_page = 1250,
                  std::optional<TextEncoding> encoding = std::nullopt) {
  return ImportBook(bytes, format, kVrkt, kSim, code_page, encoding);
}

TEST(BookLayoutsTest, GoogleContactsCurrentCsv) {
  // Google Contacts' export: UTF-8 without a mark, LF line ends, a name in three columns and the
  // organisation apart, numbered "Phone N - Label" / "Phone N - Value" pairs, several numbers of
  // one label joined by " ::: ".
  const std::vector<std::string> header = {
      "First Name", "Middle Name", "Last Name", "Phonetic First Name", "Phonetic Middle Name",
      "Phonetic Last Name", "Name Prefix", "Name Suffix", "Nickname", "File As",
      "Organization Name", "Organization Title", "Organization Department", "Birthday", "Notes",
      "Photo", "Labels", "E-mail 1 - Label", "E-mail 1 - Value", "Phone 1 - Label",
      "Phone 1 - Value", "Phone 2 - Label", "Phone 2 - Value", "Phone 3 - Label",
      "Phone 3 - Value", "Phone 4 - Label", "Phone 4 - Value"};
  auto contact = [](std::string first, std::string last, std::string org,
                    std::vector<std::string> phones) {
    std::vector<std::string> row = {first, "", last, "", "", "", "", "", "", "", org, "", "", "",
                                    "", "", "* myContacts", "* Home", "x@example.cz"};
    phones.resize(8);
    row.insert(row.end(), phones.begin(), phones.end());
    return row;
  };
  std::string file;
  for (const auto& l : {header,
                        contact("Jan", "Nov\xC3\xA1k", "",
                                {"Mobile", "+420 602 555 101 ::: +420 602 555 102", "Work",
                                 "+420 (0) 2 2155 5103", "Work Fax", "+420 221 555 104", "Home",
                                 "00420 321 555 105 ::: 321 555 106"}),
                        contact("", "", "ACME V\xC3\xBDtahy s.r.o.", {"Main", "+420 800 555 000"}),
                        contact("Petra", "", "", {})}) {
    std::string line = Line(l);
    line.replace(line.size() - 2, 2, "\n");
    file += line;
  }
  BookImport in = Import(file, BookFormat::kCsv);
  EXPECT_EQ(in.encoding, "UTF-8");
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"Jan Nov\xE1k mob", "+420602555101"},
                                   BookRow{"Jan Nov\xE1k mob2", "+420602555102"},
                                   BookRow{"Jan Nov\xE1k work", "+420221555103"},
                                   BookRow{"Jan Nov\xE1k home", "+420321555105"},
                                   BookRow{"Jan Nov\xE1k home2", "321555106"}));
  EXPECT_EQ(in.fax_or_pager, 1);
  EXPECT_THAT(in.refused,
              ElementsAre("row 3 'ACME V\xC3\xBDtahy s.r.o.': name has 18 characters, this SIM takes 16",
                          "row 4 'Petra': no number"));
}

TEST(BookLayoutsTest, GoogleContactsOlderCsvInUtf16) {
  // The older export: one "Name" column beside its parts, "Phone N - Type" with "* " before the
  // primary one, UTF-16 little-endian with its mark.
  std::string text =
      Line({"Name", "Given Name", "Additional Name", "Family Name", "Group Membership",
            "E-mail 1 - Type", "E-mail 1 - Value", "Phone 1 - Type", "Phone 1 - Value",
            "Phone 2 - Type", "Phone 2 - Value"}) +
      Line({"Ren\xC3\xA9 M\xC3\xBCller", "Ren\xC3\xA9", "", "M\xC3\xBCller", "* My Contacts",
            "* Home", "r@example.de", "* Mobile", "0171 555 201", "Pager", "0171 555 202"}) +
      Line({"", "Ida", "", "Berg", "", "", "", "Home", "030 555 203", "Work", "030 555 203"});
  for (bool mark : {true, false}) {
    BookImport in = Import(Utf16Le(text, mark), BookFormat::kCsv, 1252);
    EXPECT_EQ(in.encoding, "UTF-16");
    // The pager is left out; a number given twice is one row, and needs no suffix then.
    EXPECT_THAT(in.rows, ElementsAre(BookRow{"Ren\xE9 M\xFCller", "0171555201"},
                                     BookRow{"Ida Berg", "030555203"}))
        << mark;
    EXPECT_EQ(in.fax_or_pager, 1);
    EXPECT_EQ(in.repeated, 1);
    EXPECT_THAT(in.refused, IsEmpty());
  }
}

TEST(BookLayoutsTest, OutlookCsvInFourLanguagesAndTheirCodePages) {
  // Outlook quotes every field, separates by commas and writes the system's code page. Only
  // some of its many columns are here, in its order.
  const std::string czech =
      Line({"Osloven\xC3\xAD", "Jm\xC3\xA9no", "Druh\xC3\xA9 jm\xC3\xA9no", "P\xC5\x99\xC3\xADjmen\xC3\xAD",
            "Spole\xC4\x8Dnost", "Fax do zam\xC4\x9Bstn\xC3\xA1n\xC3\xAD",
            "Telefon do zam\xC4\x9Bstn\xC3\xA1n\xC3\xAD", "Telefon dom\xC5\xAF", "Mobiln\xC3\xAD telefon",
            "E-mailov\xC3\xA1 adresa"},
           ',', true) +
      Line({"", "Ji\xC5\x99\xC3\xAD", "", "\xC4\x8C" "ern\xC3\xBD", "", "+420 221 555 300",
            "+420 221 555 301", "", "+420 777 555 302", "jiri@example.cz"},
           ',', true) +
      Line({"", "", "", "", "Servis V\xC3\xBDtah\xC5\xAF", "", "", "", "", ""}, ',', true);
  BookImport cz = Import(Utf8ToCodePage(czech, 1250), BookFormat::kCsv, 1250);
  EXPECT_EQ(cz.encoding, "code page 1250");
  EXPECT_THAT(cz.rows, ElementsAre(BookRow{"Ji\xF8\xED \xC8" "ern\xFD work", "+420221555301"},
                                   BookRow{"Ji\xF8\xED \xC8" "ern\xFD mob", "+420777555302"}));
  EXPECT_THAT(cz.refused, ElementsAre("row 3 'Servis V\xC3\xBDtah\xC5\xAF': no number"));
  EXPECT_EQ(cz.fax_or_pager, 1);

  const std::string slovak =
      Line({"Meno", "Stredn\xC3\xA9 meno", "Priezvisko", "Spolo\xC4\x8Dnos\xC5\xA5",
            "Telef\xC3\xB3n do zamestnania", "Mobiln\xC3\xBD telef\xC3\xB3n"},
           ',', true) +
      Line({"\xC4\xBD" "ubom\xC3\xADr", "", "Kov\xC3\xA1\xC4\x8D", "", "", "+421 905 555 401"}, ',', true);
  BookImport sk = Import(Utf8ToCodePage(slovak, 1250), BookFormat::kCsv, 1250);
  EXPECT_THAT(sk.rows, ElementsAre(BookRow{"\xBCubom\xEDr Kov\xE1\xE8", "+421905555401"}));

  const std::string german =
      Line({"Anrede", "Vorname", "Weitere Vornamen", "Nachname", "Firma", "Fax gesch\xC3\xA4" "ftlich",
            "Telefon gesch\xC3\xA4" "ftlich", "Telefon privat", "Mobiltelefon", "Pager"},
           ',', true) +
      Line({"Herr", "J\xC3\xBCrgen", "", "Wei\xC3\x9F", "", "+49 30 5555 1299", "",
            "+49 (0)30 5555 1234", "0171 5555678", ""},
           ',', true);
  BookImport de = Import(Utf8ToCodePage(german, 1252), BookFormat::kCsv, 1252);
  EXPECT_EQ(de.encoding, "code page 1252");
  EXPECT_THAT(de.rows, ElementsAre(BookRow{"J\xFCrgen Wei\xDF home", "+493055551234"},
                                   BookRow{"J\xFCrgen Wei\xDF mob", "01715555678"}));

  // Polish: the names with their suffixes are longer than the SIM's 16 characters, so the last
  // name gives way, as a whole word.
  const std::string polish =
      Line({"Imi\xC4\x99", "Drugie imi\xC4\x99", "Nazwisko", "Firma", "Telefon s\xC5\x82u\xC5\xBC" "bowy",
            "Telefon domowy", "Telefon kom\xC3\xB3rkowy", "Faks s\xC5\x82u\xC5\xBC" "bowy"},
           ',', true) +
      Line({"\xC5\x81ukasz", "", "W\xC3\xB3jcik", "", "+48 22 555 01 01", "", "+48 601 555 102",
            "+48 22 555 01 09"},
           ',', true);
  BookImport pl = Import(Utf8ToCodePage(polish, 1250), BookFormat::kCsv, 1250);
  EXPECT_THAT(pl.rows, ElementsAre(BookRow{"\xA3ukasz work", "+48225550101"},
                                   BookRow{"\xA3ukasz mob", "+48601555102"}));
}

TEST(BookLayoutsTest, ThunderbirdCsv) {
  // Thunderbird: a display name beside first and last, its own phone column names, no quotes
  // unless needed, UTF-8.
  const std::string file =
      "First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email,Screen Name,"
      "Work Phone,Home Phone,Fax Number,Pager Number,Mobile Number,Home Address\r\n"
      ",,Service desk,,desk@example.com,,,+420 800 555 500,,,,,\r\n"
      "Anna,Mal\xC3\xA1,Anna Mal\xC3\xA1,,,,,,602 555 601,,,+420 602 555 602,\"Dlouh\xC3\xA1 1\r\nBrno\"\r\n";
  BookImport in = Import(file, BookFormat::kCsv);
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"Service desk", "+420800555500"},
                                   BookRow{"Anna Mal\xE1 home", "602555601"},
                                   BookRow{"Anna Mal\xE1 mob", "+420602555602"}));
  EXPECT_THAT(in.refused, IsEmpty());
}

TEST(BookLayoutsTest, ASpreadsheetsResavedCsvAndWhatItDamaged) {
  // A spreadsheet of a Central European locale saves semicolons and its code page, has taken
  // the numbers for numbers (the "+" gone, a long one in exponent form), and may put several
  // numbers on lines of one cell.
  const std::string file =
      "sep=;\r\n"
      "Jm\xC3\xA9no;P\xC5\x99\xC3\xADjmen\xC3\xAD;Mobiln\xC3\xAD telefon;Telefon dom\xC5\xAF\r\n"
      "Jan;Nov\xC3\xA1k;420602555101;\r\n"
      "Petr;Mal\xC3\xBD;4,20602E+11;\r\n"
      "Eva;Bl\xC3\xA1h\xC3\xA1;\"602 555 103\n602 555 104\";\r\n"
      "Ota;Nov\xC3\xA1k;=\"+420602555105\";\r\n";
  BookImport in = Import(Utf8ToCodePage(file, 1250), BookFormat::kCsv, 1250);
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"Jan Nov\xE1k", "420602555101"},
                                   BookRow{"Eva Bl\xE1h\xE1 mob", "602555103"},
                                   BookRow{"Eva Bl\xE1h\xE1 mob2", "602555104"},
                                   BookRow{"Ota Nov\xE1k", "+420602555105"}));
  EXPECT_THAT(in.refused, ElementsAre("row 3 'Petr Mal\xC3\xBD': a spreadsheet has written it as a "
                                      "number (\"4,20602E+11\"), which has lost its last digits"));
  EXPECT_THAT(in.warnings, ElementsAre("row 2 'Jan Nov\xC3\xA1k': number 420602555101 has no \"+\" "
                                       "but begins with the country code 420: a spreadsheet may "
                                       "have dropped it (imported as it stands)"));
}

TEST(BookLayoutsTest, PhonesVcard21WithQuotedPrintableAndCharsets) {
  // An Android phone's export: UTF-8 quoted-printable names, bare TYPE words.
  const std::string android =
      "BEGIN:VCARD\r\nVERSION:2.1\r\n"
      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C4=8Cern=C3=BD;Jan;;;\r\n"
      "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Jan =C4=8Cern=C3=BD\r\n"
      "TEL;CELL:+420602555701\r\nTEL;WORK:+420221555702\r\nTEL;FAX;WORK:+420221555703\r\n"
      "END:VCARD\r\n";
  BookImport a = Import(android, BookFormat::kVcard);
  EXPECT_THAT(a.rows, ElementsAre(BookRow{"Jan \xC8" "ern\xFD mob", "+420602555701"},
                                  BookRow{"Jan \xC8" "ern\xFD work", "+420221555702"}));
  EXPECT_EQ(a.fax_or_pager, 1);
  EXPECT_EQ(a.encoding, "UTF-8");

  // An older phone: an ISO 8859-2 CHARSET, and a card in the phone's 8-bit code page with no
  // CHARSET at all; an extension cannot be dialled.
  const std::string older =
      "BEGIN:VCARD\r\nVERSION:2.1\r\n"
      "N;CHARSET=ISO-8859-2;ENCODING=QUOTED-PRINTABLE:=A9ediv=FD;Old=F8ich\r\n"
      "TEL;PREF;VOICE:602555801\r\nTEL;PAGER:602555802\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Ku\xE8" "era;Tom\xE1\x9A\r\n"
      "TEL;HOME:0602 555 803 x12\r\nEND:VCARD\r\n";
  BookImport o = Import(older, BookFormat::kVcard);
  EXPECT_THAT(o.rows, ElementsAre(BookRow{"Old\xF8ich \x8A" "ediv\xFD", "602555801"}));
  EXPECT_THAT(o.refused, ElementsAre("card 2 'Tom\xC3\xA1\xC5\xA1 Ku\xC4\x8D" "era': it has an "
                                     "extension (\"x12\"), which a SIM phone book cannot dial: it "
                                     "takes no pauses"));
  EXPECT_EQ(o.encoding, "ISO 8859-2 and code page 1250");
}

TEST(BookLayoutsTest, AppleVcard30WithGroupsAndAFoldInsideALetter) {
  // LF line ends, the number's label in its group's X-ABLabel, and the name folded in the middle
  // of the two bytes of "ř". A second card claims 3.0 but holds 8-bit text: it is refused with
  // its line, not guessed.
  const std::string file =
      "BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//macOS 14.0//EN\n"
      "N:\xC5\x98" "eho\xC5\x99;\xC5\xBD\xC3\xA1k;;;\n"
      "FN:\xC5\xBD\xC3\xA1k \xC5\x98" "eho\xC5\n \x99\n"
      "item1.TEL;type=pref:+420 777 555 901\nitem1.X-ABLabel:_$!<Mobile>!$_\n"
      "item2.TEL:+420 541 555 902\nitem2.X-ABLabel:Dispe\xC4\x8Dink\n"
      "TEL;type=WORK;type=VOICE:+420 541 555 902\n"
      "END:VCARD\n"
      "BEGIN:VCARD\nVERSION:3.0\nFN:Ku\xE8" "era\nTEL:602555903\nEND:VCARD\n";
  BookImport in = Import(file, BookFormat::kVcard);
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"\x8E\xE1k \xD8" "eho\xF8 mob", "+420777555901"},
                                   BookRow{"\x8E\xE1k \xD8" "eho\xF8 other", "+420541555902"}));
  EXPECT_EQ(in.repeated, 1);
  EXPECT_THAT(in.refused,
              ElementsAre("card 2 '': line 15 is not UTF-8, which a vCard 3.0 must be"));
  // Named, the file's encoding is taken for every card.
  BookImport forced = Import(file, BookFormat::kVcard, 1250, ParseEncodingName("cp1250"));
  EXPECT_THAT(forced.rows.back(), (BookRow{"Ku\xE8" "era", "602555903"}));
  EXPECT_EQ(forced.encoding, "code page 1250");
}

TEST(BookLayoutsTest, Vcard40WithUriNumbers) {
  const std::string file =
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Marie Hor\xC3\xA1kov\xC3\xA1\r\n"
      "TEL;VALUE=uri;TYPE=\"cell,voice\";PREF=1:tel:+420-603-555-111\r\n"
      "TEL;VALUE=uri;TYPE=work:tel:+420-541-555-112;ext=25\r\n"
      "TEL;TYPE=fax:tel:+420-541-555-113\r\nEND:VCARD\r\n";
  BookImport in = Import(file, BookFormat::kVcard);
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"Marie mob", "+420603555111"}));
  EXPECT_THAT(in.refused, ElementsAre("card 1, number 2 'Marie work': it has an extension "
                                      "(\";ext=25\"), which a SIM phone book cannot dial: it takes "
                                      "no pauses"));
  EXPECT_EQ(in.fax_or_pager, 1);
}

TEST(BookLayoutsTest, TheEncodingIsNamedOrTheBadByteIs) {
  // Bytes that are neither UTF-8 nor text in the code page: 0x81 is no letter in 1250.
  const std::string bad = "Name,Number\r\nAnna,602\r\nB\x81" "b,603\r\n";
  try {
    Import(bad, BookFormat::kCsv, 1250);
    ADD_FAILURE() << "no error";
  } catch (const AppError& e) {
    EXPECT_STREQ(e.what(), "The file is neither UTF-8 nor text in code page 1250: line 3 holds "
                           "the byte 0x81.");
  }
  // A Central European file read on a Western system: its bytes are letters there too, so only
  // the message's "code page 1252" tells; named, it reads right, and a letter the window's code
  // page lacks is refused by name.
  const std::string central =
      Utf8ToCodePage("Name,Number\r\n\xC4\x8C" "ern\xC3\xBD,602\r\nM\xC3\xBCller,603\r\n", 1250);
  BookImport guessed = Import(central, BookFormat::kCsv, 1252);
  EXPECT_EQ(guessed.encoding, "code page 1252");
  BookImport named = Import(central, BookFormat::kCsv, 1252, ParseEncodingName("windows-1250"));
  EXPECT_EQ(named.encoding, "code page 1250");
  EXPECT_THAT(named.rows, ElementsAre(BookRow{"M\xFCller", "603"}));
  EXPECT_THAT(named.refused, ElementsAre("row 2 '\xC4\x8C" "ern\xC3\xBD': name holds \"\xC4\x8C\" "
                                         "(U+010C), which code page 1252 cannot hold"));
  // UTF-16 big-endian without a mark, and a named UTF-8 that is not.
  std::string be;
  for (char c : std::string("Name,Number\nAnna,602\n")) be += std::string(1, '\0') + c;
  EXPECT_THAT(Import(be, BookFormat::kCsv).rows, ElementsAre(BookRow{"Anna", "602"}));
  EXPECT_THROW(Import(central, BookFormat::kCsv, 1250, ParseEncodingName("utf-8")), AppError);
  EXPECT_FALSE(ParseEncodingName("latin-9"));
  // A header of labels alone says nothing of names or numbers (found by fuzzing).
  EXPECT_THROW(Import("Phone 1 - Label;x\nMobile;602\n", BookFormat::kCsv), AppError);
}

TEST(BookLayoutsTest, SettingNamesAreRefusedInEveryFamilyAndCase) {
  const std::string file =
      "Name,Number\nPARAMVRKT,1#2\nparamrl1,5\nParVrkt,6\nportclose3,7\nVoltage,8\nsdata,9\nAnna,10\n";
  BookImport in = Import(file, BookFormat::kCsv);
  EXPECT_THAT(in.rows, ElementsAre(BookRow{"Anna", "10"}));
  ASSERT_EQ(in.refused.size(), 6u);
  EXPECT_EQ(in.refused[0], "row 2 'PARAMVRKT': PARAMVRKT is a name the unit or a parameter file "
                           "uses for a setting");
  EXPECT_THAT(in.refused[1], HasSubstr("paramrl1 is a name"));
}

TEST(BookLayoutsTest, ImportMergesByName) {
  const std::vector<std::string> old = {"Jan=1", "Eva=2", "no equals sign"};
  const std::vector<BookRow> in = {{"jan", "5"}, {"Eva", "2"}, {"Petr", "3"}, {"Petr", "4"}};
  MergedBook merged = MergeRows(old, in, MergeMode::kMerge);
  EXPECT_THAT(merged.rows, ElementsAre("Jan=5", "Eva=2", "no equals sign", "Petr=3", "Petr=4"));
  EXPECT_EQ(merged.added, 2);
  EXPECT_EQ(merged.replaced, 1);
  EXPECT_EQ(merged.unchanged, 1);
  MergedBook added = MergeRows(old, in, MergeMode::kAdd, 5);
  EXPECT_THAT(added.rows, ElementsAre("Jan=1", "Eva=2", "no equals sign", "jan 2=5", "Petr=3", "Petr=4"));
  EXPECT_THAT(added.added_at, ElementsAre(3, 4, 5));
  MergedBook again = MergeRows(merged.rows, in, MergeMode::kMerge);
  EXPECT_EQ(again.rows, merged.rows);
  BookImport counted;
  counted.refused = {"x"};
  counted.fax_or_pager = 1;
  counted.repeated = 2;
  EXPECT_EQ(ImportCounts(merged, counted),
            "2 added, 1 replaced, 1 unchanged, 1 refused, 3 left out (1 fax or pager number and 2 "
            "repeated rows)");
}

TEST(BookLayoutsTest, ExportForASpreadsheetKeepsPlusAndZeros) {
  const std::vector<BookRow> rows = {{"Anna", "+420602555101"}, {"Bob", "0602555102"}};
  const std::string sheet = ExportBook(rows, BookFormat::kCsv, 1250, true);
  EXPECT_EQ(sheet, "\xEF\xBB\xBFName,Number\r\nAnna,\"=\"\"+420602555101\"\"\"\r\n"
                   "Bob,\"=\"\"0602555102\"\"\"\r\n");
  EXPECT_EQ(Import(sheet, BookFormat::kCsv).rows, rows);
}

}  // namespace
}  // namespace vrkt
