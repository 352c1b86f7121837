#pragma once

namespace vrkt {

class Program;

// The editor of the SIM's ordinary phone book (grid PhoneBook1).
class PhoneBookEditor {
 public:
  explicit PhoneBookEditor(Program& program) : p_(program) {}
  void LineInClick();
  void LineDelClick();
  void FindClick();

 private:
  Program& p_;
};

}  // namespace vrkt
