#pragma once

#include <string>

namespace vrkt {

class Dialogs;
class PhoneBookEditor;

// The question asked before the Delete key removes a phone book row: "Delete row 3, "Jan
// Novak 602123456"?". `row` is the row as the grid holds it ("name=phone").
std::string DeleteRowQuestion(int line, const std::string& row);

// Deletes grid line `line` (1 = first row) once the user has said yes; the default answer is No.
// A line that holds no row does nothing and asks nothing.
void DeleteRowAfterConfirm(PhoneBookEditor& phonebook, Dialogs& dialogs, int line);

}  // namespace vrkt
