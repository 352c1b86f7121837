#include "phonebook/book_columns.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "phonebook/name_fold.h"

namespace vrkt {

namespace {

using enum ColumnRole;
using enum PhoneKind;

struct ColumnName {
  std::string_view header;  // as the producer writes it; compared through HeaderKey
  ColumnRole role;
  PhoneKind kind = kAny;
};

// Every column name the CSV import knows, as the producers write them. README.md lists the
// same ("Phone lists from address books"). Google's numbered "Phone N - Label/Type/Value" columns
// are matched by their pattern in MeaningOfHeader. A name that two languages share ("Telefon",
// "Firma", "Pager") is listed once.
constexpr ColumnName kColumns[] = {
    // Names. English: Google, Outlook, Thunderbird, and what people type.
    {"Name", kDisplayName}, {"Full Name", kDisplayName}, {"Display Name", kDisplayName},
    {"Contact", kDisplayName}, {"Contact Name", kDisplayName},
    {"First Name", kFirstName}, {"Given Name", kFirstName},
    {"Middle Name", kMiddleName}, {"Additional Name", kMiddleName},
    {"Last Name", kLastName}, {"Family Name", kLastName}, {"Surname", kLastName},
    {"Organization Name", kOrganisation}, {"Organization 1 - Name", kOrganisation},
    {"Organization", kOrganisation}, {"Company", kOrganisation},
    // Czech.
    {"Jméno", kNameOrFirst}, {"Celé jméno", kDisplayName}, {"Jméno a příjmení", kDisplayName},
    {"Příjmení a jméno", kDisplayName}, {"Zobrazované jméno", kDisplayName},
    {"Název", kDisplayName}, {"Kontakt", kDisplayName}, {"Křestní jméno", kFirstName},
    {"Druhé jméno", kMiddleName}, {"Prostřední jméno", kMiddleName}, {"Příjmení", kLastName},
    {"Společnost", kOrganisation}, {"Organizace", kOrganisation},
    // Slovak.
    {"Meno", kNameOrFirst}, {"Celé meno", kDisplayName}, {"Zobrazované meno", kDisplayName},
    {"Krstné meno", kFirstName}, {"Druhé meno", kMiddleName}, {"Stredné meno", kMiddleName},
    {"Priezvisko", kLastName}, {"Spoločnosť", kOrganisation}, {"Organizácia", kOrganisation},
    // German.
    {"Anzeigename", kDisplayName}, {"Vorname", kFirstName}, {"Weitere Vornamen", kMiddleName},
    {"Zweiter Vorname", kMiddleName}, {"Nachname", kLastName}, {"Firma", kOrganisation},
    // Polish.
    {"Nazwa wyświetlana", kDisplayName}, {"Nazwa", kDisplayName}, {"Imię", kFirstName},
    {"Drugie imię", kMiddleName}, {"Nazwisko", kLastName}, {"Organizacja", kOrganisation},

    // Numbers. English.
    {"Number", kPhone}, {"Phone", kPhone}, {"Phone Number", kPhone}, {"Telephone", kPhone},
    {"Telephone Number", kPhone}, {"Tel", kPhone}, {"Tel No", kPhone},
    {"Mobile", kPhone, kMobile}, {"Mobile Phone", kPhone, kMobile},
    {"Mobile Number", kPhone, kMobile}, {"Cell", kPhone, kMobile},
    {"Cell Phone", kPhone, kMobile}, {"Business Phone", kPhone, kWork},
    {"Business Phone 2", kPhone, kWork}, {"Work Phone", kPhone, kWork},
    {"Home Phone", kPhone, kHome}, {"Home Phone 2", kPhone, kHome},
    {"Car Phone", kPhone, kCar}, {"Primary Phone", kPhone, kMain},
    {"Company Main Phone", kPhone, kMain}, {"Other Phone", kPhone, kOther},
    {"Assistant's Phone", kPhone, kOther}, {"Callback", kPhone, kOther},
    {"Radio Phone", kPhone, kOther}, {"ISDN", kPhone, kOther},
    {"Business Fax", kPhone, kFax}, {"Home Fax", kPhone, kFax}, {"Other Fax", kPhone, kFax},
    {"Fax Number", kPhone, kFax}, {"Fax", kPhone, kFax}, {"Pager", kPhone, kPager},
    {"Pager Number", kPhone, kPager},
    // Czech.
    {"Číslo", kPhone}, {"Telefon", kPhone}, {"Telefonní číslo", kPhone},
    {"Tel. číslo", kPhone}, {"Mobil", kPhone, kMobile}, {"Mobilní telefon", kPhone, kMobile},
    {"Telefon do zaměstnání", kPhone, kWork}, {"Telefon do zaměstnání 2", kPhone, kWork},
    {"Telefon do práce", kPhone, kWork}, {"Telefon domů", kPhone, kHome},
    {"Telefon domů 2", kPhone, kHome}, {"Telefon do auta", kPhone, kCar},
    {"Hlavní telefon", kPhone, kMain}, {"Jiný telefon", kPhone, kOther},
    {"Fax do zaměstnání", kPhone, kFax}, {"Fax domů", kPhone, kFax},
    {"Jiný fax", kPhone, kFax},
    // Slovak.
    {"Telefón", kPhone}, {"Telefónne číslo", kPhone}, {"Mobilný telefón", kPhone, kMobile},
    {"Telefón do zamestnania", kPhone, kWork}, {"Telefón do zamestnania 2", kPhone, kWork},
    {"Telefón domov", kPhone, kHome}, {"Telefón domov 2", kPhone, kHome},
    {"Telefón v aute", kPhone, kCar}, {"Hlavný telefón", kPhone, kMain},
    {"Iný telefón", kPhone, kOther}, {"Fax do zamestnania", kPhone, kFax},
    {"Fax domov", kPhone, kFax}, {"Iný fax", kPhone, kFax},
    // German (Outlook, then Thunderbird).
    {"Nummer", kPhone}, {"Telefonnummer", kPhone}, {"Mobiltelefon", kPhone, kMobile},
    {"Handy", kPhone, kMobile}, {"Telefon geschäftlich", kPhone, kWork},
    {"Telefon geschäftlich 2", kPhone, kWork}, {"Telefon privat", kPhone, kHome},
    {"Telefon privat 2", kPhone, kHome}, {"Autotelefon", kPhone, kCar},
    {"Haupttelefon", kPhone, kMain}, {"Telefon Firma", kPhone, kMain},
    {"Weiteres Telefon", kPhone, kOther}, {"Fax geschäftlich", kPhone, kFax},
    {"Fax privat", kPhone, kFax}, {"Weiteres Fax", kPhone, kFax},
    {"Tel. dienstlich", kPhone, kWork}, {"Tel. privat", kPhone, kHome},
    {"Mobil-Tel.-Nr.", kPhone, kMobile}, {"Fax-Nummer", kPhone, kFax},
    {"Pager-Nummer", kPhone, kPager},
    // Polish.
    {"Numer telefonu", kPhone}, {"Telefon komórkowy", kPhone, kMobile},
    {"Komórka", kPhone, kMobile}, {"Telefon służbowy", kPhone, kWork},
    {"Telefon służbowy 2", kPhone, kWork}, {"Telefon domowy", kPhone, kHome},
    {"Telefon domowy 2", kPhone, kHome}, {"Telefon w samochodzie", kPhone, kCar},
    {"Telefon podstawowy", kPhone, kMain}, {"Inny telefon", kPhone, kOther},
    {"Faks służbowy", kPhone, kFax}, {"Faks domowy", kPhone, kFax}, {"Inny faks", kPhone, kFax},
};

// Lower-case letters with accents, as code points, and their plain letters.
struct Plain {
  char32_t letter;
  std::string_view plain;
};
constexpr Plain kPlainLetters[] = {
    {U'á', "a"}, {U'ä', "a"}, {U'ą', "a"}, {U'â', "a"}, {U'ă', "a"}, {U'č', "c"}, {U'ć', "c"},
    {U'ç', "c"}, {U'ď', "d"}, {U'đ', "d"}, {U'é', "e"}, {U'ě', "e"}, {U'ę', "e"}, {U'ë', "e"},
    {U'í', "i"}, {U'î', "i"}, {U'ĺ', "l"}, {U'ľ', "l"}, {U'ł', "l"}, {U'ň', "n"}, {U'ń', "n"},
    {U'ó', "o"}, {U'ô', "o"}, {U'ö', "o"}, {U'ő', "o"}, {U'ŕ', "r"}, {U'ř', "r"}, {U'š', "s"},
    {U'ś', "s"}, {U'ş', "s"}, {U'ß', "ss"}, {U'ť', "t"}, {U'ţ', "t"}, {U'ú', "u"}, {U'ů', "u"},
    {U'ü', "u"}, {U'ű', "u"}, {U'ý', "y"}, {U'ž', "z"}, {U'ź', "z"}, {U'ż', "z"},
};

// One code point of UTF-8 text at `i`, moving `i` past it; malformed bytes are skipped one each.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  auto c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (extra == 0) return 0xFFFD;
  char32_t cp = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = cp << 6 | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

const std::vector<std::string>& ColumnKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k;
    for (const ColumnName& c : kColumns) k.push_back(HeaderKey(c.header));
    return k;
  }();
  return keys;
}

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

}  // namespace

std::string_view KindSuffix(PhoneKind kind) {
  switch (kind) {
    case kMobile:
      return "mob";
    case kWork:
      return "work";
    case kHome:
      return "home";
    case kMain:
      return "main";
    case kCar:
      return "car";
    case kOther:
      return "other";
    case kFax:
      return "fax";
    case kPager:
      return "pager";
    case kAny:
      break;
  }
  return "tel";
}

bool KindTakesCalls(PhoneKind kind) { return kind != kFax && kind != kPager; }

PhoneKind KindOfLabel(std::string_view label) {
  const std::string key = HeaderKey(label);
  if (key.empty()) return kAny;
  if (Contains(key, "fax") || Contains(key, "faks") || Contains(key, "telex")) return kFax;
  if (Contains(key, "pager") || Contains(key, "beeper")) return kPager;
  if (Contains(key, "mobil") || Contains(key, "cell") || Contains(key, "komork") ||
      Contains(key, "handy") || Contains(key, "iphone"))
    return kMobile;
  if (Contains(key, "work") || Contains(key, "business") || Contains(key, "prace") ||
      Contains(key, "zamestnan") || Contains(key, "geschaft") || Contains(key, "dienst") ||
      Contains(key, "sluzb") || Contains(key, "office"))
    return kWork;
  if (Contains(key, "home") || Contains(key, "domu") || Contains(key, "domov") ||
      Contains(key, "privat") || Contains(key, "domow"))
    return kHome;
  if (Contains(key, "main") || Contains(key, "pref") || Contains(key, "hlavn") ||
      Contains(key, "haupt"))
    return kMain;
  if (Contains(key, "car") || Contains(key, "auto")) return kCar;
  if (key == "voice" || key == "tel" || key == "phone") return kAny;
  return kOther;
}

std::string HeaderKey(std::string_view header) {
  std::string out;
  size_t i = 0;
  while (i < header.size()) {
    char32_t c = SimpleLowerCase(NextCodePoint(header, i));
    if (c < 0x80) {
      if (std::isalnum(static_cast<int>(c))) out.push_back(static_cast<char>(c));
      continue;
    }
    auto hit = std::find_if(std::begin(kPlainLetters), std::end(kPlainLetters),
                            [&](const Plain& p) { return p.letter == c; });
    if (hit != std::end(kPlainLetters)) out += hit->plain;
  }
  return out;
}

std::optional<ColumnMeaning> MeaningOfHeader(std::string_view header) {
  const std::string key = HeaderKey(header);
  // Google's "Phone 1 - Label", "Phone 1 - Type" (older) and "Phone 1 - Value".
  if (key.starts_with("phone") && key.size() > 5 && std::isdigit(static_cast<unsigned char>(key[5]))) {
    size_t end = 5;
    int n = 0;
    while (end < key.size() && std::isdigit(static_cast<unsigned char>(key[end])) && n < 1000)
      n = n * 10 + (key[end++] - '0');
    std::string_view rest = std::string_view(key).substr(end);
    if (rest == "value") return ColumnMeaning{kPhoneValue, kAny, n};
    if (rest == "label" || rest == "type") return ColumnMeaning{kPhoneLabel, kAny, n};
  }
  const std::vector<std::string>& keys = ColumnKeys();
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i] == key) return ColumnMeaning{kColumns[i].role, kColumns[i].kind, 0};
  return std::nullopt;
}

}  // namespace vrkt
