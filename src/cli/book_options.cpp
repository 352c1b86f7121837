#include "cli/book_options.h"

#include "cli/fleet_options.h"
#include "phonebook/book_formats.h"

namespace vrkt::cli {

namespace {

int Limit(const std::string& option, const std::string& text, int hi) {
  std::optional<int> n = WholeNumber(text, 1, hi);
  if (!n) Usage(option + " needs a whole number from 1 to " + std::to_string(hi) + ", not \"" + text + "\".");
  return *n;
}

}  // namespace

bool ParseBookOption(const std::string& arg, const std::function<std::string()>& take_value,
                     const std::function<void()>& no_value, Options& o) {
  if (arg == "--add") {
    no_value();
    o.add = true;
  } else if (arg == "--encoding") {
    o.book_encoding = take_value();
    if (!ParseEncodingName(o.book_encoding))
      Usage("--encoding must be one of " + std::string(kEncodingNames) + ", not \"" +
            o.book_encoding + "\".");
  } else if (arg == "--capacity") {
    o.book_capacity = Limit(arg, take_value(), 100000);
  } else if (arg == "--name-length") {
    o.book_name_length = Limit(arg, take_value(), 1000);
  } else if (arg == "--number-length") {
    o.book_number_length = Limit(arg, take_value(), 1000);
  } else {
    return false;
  }
  return true;
}

void CheckBookOptions(const Options& o) {
  const bool import = o.command == "phonebook" && o.book_action == "import";
  const bool limits = o.book_capacity > 0 || o.book_name_length > 0 || o.book_number_length > 0;
  if (!import && (o.add || !o.book_encoding.empty() || limits))
    Usage("--add, --encoding, --capacity, --name-length and --number-length are options of "
          "phonebook import only.");
  if (o.add && o.replace) Usage("--add and --replace exclude each other.");
  if (limits && o.param_file.empty())
    Usage("--capacity, --name-length and --number-length are for an import into a parameter file "
          "(--file); a unit's SIM gives its own.");
  if (o.book_format == "sheet" && o.book_action != "export")
    Usage("--format sheet is for phonebook export only.");
}

}  // namespace vrkt::cli
