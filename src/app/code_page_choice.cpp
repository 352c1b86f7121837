#include "app/code_page_choice.h"

#include "base/codepage.h"
#include "base/error.h"

namespace vrkt {

namespace {

std::string SupportedList() {
  std::string out;
  for (int cp = 1250; cp <= 1258; ++cp) {
    if (!IsSupportedCodePage(cp)) continue;
    if (!out.empty()) out += ", ";
    out += std::to_string(cp);
  }
  return out;
}

int Checked(int code_page) {
  if (!IsSupportedCodePage(code_page))
    throw AppError("Code page " + std::to_string(code_page) + " is not known to this program; it " +
                   "knows " + SupportedList() + ".");
  return code_page;
}

}  // namespace

int ParseCodePage(std::string_view text) {
  int value = 0;
  bool digits = !text.empty() && text.size() <= 5;
  for (char c : digits ? text : std::string_view{}) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!digits)
    throw AppError("\"" + std::string(text) + "\" is not a code page; give a number such as 1250.");
  return Checked(value);
}

bool SystemHasOwnCodePage() {
#ifdef _WIN32
  return IsSupportedCodePage(SystemCodePage());
#else
  return false;
#endif
}

int ChooseCodePage(int command_line, int settings, std::string_view language) {
  if (command_line != 0) return Checked(command_line);
  if (settings != 0) return Checked(settings);
  if (SystemHasOwnCodePage() || language.empty()) {
    const int system = SystemCodePage();
    return IsSupportedCodePage(system) ? system : 1252;
  }
  return CodePageForLocale(language);
}

}  // namespace vrkt
