#include "phonebook/row_delete.h"

#include "app/program.h"
#include "phonebook/phonebook.h"

namespace vrkt {

std::string DeleteRowQuestion(int line, const std::string& row) {
  std::string shown(RowName(row));
  const std::string_view phone = RowPhone(row);
  if (!phone.empty()) shown.append(shown.empty() ? "" : " ").append(phone);
  return "Delete row " + std::to_string(line) + ", \"" + shown + "\"?";
}

void DeleteRowAfterConfirm(Program& p, int line) {
  const std::vector<std::string>& rows = p.form.PhoneBook1.rows();
  if (line < 1 || line > static_cast<int>(rows.size())) return;
  if (!p.dialogs().Confirm(DeleteRowQuestion(line, rows[static_cast<size_t>(line) - 1]))) return;
  p.phonebook.DeleteRow(line);
}

}  // namespace vrkt
