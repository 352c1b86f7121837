#include "phonebook/phonebook.h"

#include "app/program.h"

namespace vrkt {

void PhoneBookEditor::LineInClick() {}
void PhoneBookEditor::LineDelClick() {}
void PhoneBookEditor::FindClick() {}

}  // namespace vrkt
