#pragma once

#include <optional>
#include <string>

namespace vrkt {

class Program;

// The editor of the SIM's ordinary phone book (grid PhoneBook1). Rows are held in the grid as
// "name=phone" texts; grid line 0 is the title line, data lines count from 1.
class PhoneBookEditor {
 public:
  explicit PhoneBookEditor(Program& program) : p_(program) {}
  void LineInClick();
  void LineDelClick();
  void FindClick();

  // In-place editing and the grid's own keyboard commands (the window binds these).
  // A name holding "=" is refused with "Key may not contain equals sign ("=")".
  void SetName(int line, const std::string& name);
  void SetPhone(int line, const std::string& phone);
  void AppendRow();
  void DeleteRow(int line);

 private:
  Program& p_;
};

}  // namespace vrkt
