#pragma once

#include <optional>
#include <string>
#include <string_view>

// The GSM module's error result codes in plain words. A module answers a refused command with
// "+CME ERROR: n" (equipment, SIM and phone book) or "+CMS ERROR: n" (short messages), either as
// a number or, after AT+CMEE=2, as the standard's own text ("+CME ERROR: incorrect password").
// Technicians should not need the standard's tables at hand to read either.
namespace vrkt {

enum class ModuleErrorFamily { kCme, kCms };

// The standard's text for a code, or empty when the table has none.
std::string_view ModuleErrorMeaning(ModuleErrorFamily family, int code);
// The code whose text this is, compared without regard to case and to the blanks around it;
// nullopt for a text the table does not know.
std::optional<int> ModuleErrorCode(ModuleErrorFamily family, std::string_view text);

// One error result found in a reply line.
struct ModuleError {
  ModuleErrorFamily family = ModuleErrorFamily::kCme;
  size_t start = 0;  // where "+CME ERROR:" or "+CMS ERROR:" begins in the line
  std::string sent;  // what follows the colon, blanks around it removed
  bool numeric = false;
  std::optional<int> code;  // known from the number or from a known text
  std::string_view meaning;  // empty when the code is unknown
};
// The error result in `line`, or nullopt for a line that holds none.
std::optional<ModuleError> FindModuleError(std::string_view line);

// The line with its error result spelled out, the one form used in every message:
// "+CME ERROR: 16 (incorrect password)" for the number form, "+CME ERROR: incorrect password (16)"
// for the text form, "+CME ERROR: 999 (unknown error)" for a number the tables lack. A text the
// tables lack, and a line without an error result, stay as they are.
std::string DescribeModuleErrors(std::string_view line);
// The Monitor's note for a received line: the spelt-out form when it adds anything, else empty.
std::string ModuleErrorNote(std::string_view line);
// Whether `line` is the error result with this code, in either form ("not found" and "22").
bool IsModuleError(std::string_view line, ModuleErrorFamily family, int code);

}  // namespace vrkt
