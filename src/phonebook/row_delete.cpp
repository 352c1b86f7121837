#include "phonebook/row_delete.h"

#include "phonebook/phonebook.h"
#include "ui/dialogs.h"

namespace vrkt {

std::string DeleteRowQuestion(int line, const std::string& row) {
  std::string shown(RowName(row));
  const std::string_view phone = RowPhone(row);
  if (!phone.empty()) shown.append(shown.empty() ? "" : " ").append(phone);
  return "Delete row " + std::to_string(line) + ", \"" + shown + "\"?";
}

void DeleteRowAfterConfirm(PhoneBookEditor& phonebook, Dialogs& dialogs, int line) {
  const std::vector<std::string>& rows = phonebook.rows();
  if (line < 1 || line > static_cast<int>(rows.size())) return;
  if (!dialogs.Confirm(DeleteRowQuestion(line, rows[static_cast<size_t>(line) - 1]))) return;
  phonebook.DeleteRow(line);
}

}  // namespace vrkt
