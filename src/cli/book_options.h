#pragma once

#include <functional>
#include <string>

#include "cli/options.h"

namespace vrkt::cli {

// The phonebook command's options for phone lists from address books: --add, --encoding NAME,
// and for an import into a parameter file the SIM's limits (--capacity N, --name-length N,
// --number-length N). Returns false for any other option.
bool ParseBookOption(const std::string& arg, const std::function<std::string()>& take_value,
                     const std::function<void()>& no_value, Options& o);
// Checks them once the command is known. Throws CliFailure.
void CheckBookOptions(const Options& o);

}  // namespace vrkt::cli

// The lines these options add to the phonebook command's help.
#define BOOK_OPTIONS_HELP                                                                         \
  "Address books' own CSV layouts (Google, Outlook, Thunderbird, in English, Czech, Slovak,\n"   \
  "German and Polish) are known by their header: every phone column counts, a contact with\n"   \
  "several numbers gives one row per number (\"Jan Novak mob\", \"Jan Novak work\"), fax and\n"  \
  "pager numbers are left out. Import merges by name: a known name gets the new number.\n"       \
  "  --add               import: a known name keeps its row; the new one is added beside it\n"  \
  "  --encoding NAME     import: read FILE as utf-8, utf-16le, utf-16be or cp1250 ... cp1258\n" \
  "  --capacity N        import into --file: the SIM's positions (default: the simulated\n"     \
  "                      unit's SIM, 250 positions, names of 16, numbers of 40 characters)\n"   \
  "  --name-length N     import into --file: the SIM's name length\n"                           \
  "  --number-length N   import into --file: the SIM's number length\n"                         \
  "  --format sheet      export: CSV whose numbers a spreadsheet keeps as text (=\"+420...\")\n"
