#include "phonebook/phonebook.h"

#include "app/program.h"

namespace vrkt {

void PhoneBookEditor::LineInClick() {}
void PhoneBookEditor::LineDelClick() {}
void PhoneBookEditor::FindClick() {}
void PhoneBookEditor::SetName(int, const std::string&) {}
void PhoneBookEditor::SetPhone(int, const std::string&) {}
void PhoneBookEditor::AppendRow() {}
void PhoneBookEditor::DeleteRow(int) {}

}  // namespace vrkt
