#pragma once

#include <QString>
#include <string>

#include "base/codepage.h"

namespace vrkt::qt {

// The core keeps 8-bit code-page text; widgets show Unicode. Every text crossing the boundary
// goes through these two.
inline QString ToQ(const std::string& bytes) {
  return QString::fromStdString(CodePageToUtf8(bytes));
}
inline std::string FromQ(const QString& text) { return Utf8ToCodePage(text.toStdString()); }

// Messages mix code-page text (replies from the unit) and UTF-8 (file paths). A text that is
// well-formed UTF-8 is taken as such; code-page text with accents almost never is.
QString MessageToQ(const std::string& text);

}  // namespace vrkt::qt
