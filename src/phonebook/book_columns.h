#pragma once

#include <optional>
#include <string>
#include <string_view>

// The column names of the CSV files that address books and mail programs export, in one table
// (book_columns.cpp): which column holds a name or a part of one, which a phone number and of
// what kind. A header is compared as plain lower-case letters and digits with the accents taken
// off ("Telefon geschäftlich" is "telefongeschaftlich"), so that a spreadsheet's retyped or
// re-saved header still matches.
namespace vrkt {

// What kind of number a column or a label gives: told apart in a row's name by a short suffix
// ("mob", "work"); fax and pager numbers cannot take a call and are left out.
enum class PhoneKind { kAny, kMobile, kWork, kHome, kMain, kCar, kOther, kFax, kPager };

// The suffix a row's name gets when a contact has several numbers: "mob", "work", "home",
// "main", "car", "other", "tel" (a number of no known kind).
std::string_view KindSuffix(PhoneKind kind);
bool KindTakesCalls(PhoneKind kind);

// The kind a label names: Google's "Mobile", "* Work", "Work Fax", a vCard's "CELL,VOICE", a
// user's own label ("Chata" is kOther). Fax and pager win over the rest ("WORK,FAX" is kFax).
PhoneKind KindOfLabel(std::string_view label);

enum class ColumnRole {
  kDisplayName,  // the whole name as shown
  kNameOrFirst,  // "Jméno", "Meno": the first name beside a column of last names, else the name
  kFirstName,
  kMiddleName,
  kLastName,
  kOrganisation,
  kPhone,       // a number of the column's kind
  kPhoneValue,  // Google's "Phone 1 - Value": the kind is in its label column
  kPhoneLabel,  // Google's "Phone 1 - Label" (current) or "Phone 1 - Type" (older)
};

struct ColumnMeaning {
  ColumnRole role;
  PhoneKind kind = PhoneKind::kAny;
  int number = 0;  // kPhoneValue and kPhoneLabel: the N of "Phone N"
};

// A header cell as compared: "Telefonní číslo" gives "telefonnicislo".
std::string HeaderKey(std::string_view header);
// The meaning of a header cell, or nullopt for a column no phone list needs (e-mail, address).
std::optional<ColumnMeaning> MeaningOfHeader(std::string_view header);

}  // namespace vrkt
