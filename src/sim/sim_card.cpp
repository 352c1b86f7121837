#include "sim/sim_card.h"

#include <algorithm>

namespace vrkt {

void SimCard::Reset(int capacity, size_t number_length, size_t text_length) {
  book_.assign(static_cast<size_t>(std::max(1, capacity)), std::nullopt);
  number_length_ = number_length;
  text_length_ = text_length;
}

int SimCard::Write(int index, const std::string& number, std::optional<int> type,
                   const std::string& text) {
  if (index < 1 || index > capacity()) return 21;
  if (number.size() > number_length_) return 26;
  if (text.size() > text_length_) return 24;
  for (char c : number)
    if (!((c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#')) return 27;
  SimEntry e;
  e.number = number;
  e.type = type ? *type : (!number.empty() && number[0] == '+' ? 145 : 129);
  e.text = text;
  book_[index - 1] = e;
  return 0;
}

int SimCard::UsedCount() const {
  return static_cast<int>(std::count_if(book_.begin(), book_.end(), [](auto& e) { return e.has_value(); }));
}

int SimCard::Find(const std::string& text) const {
  for (size_t i = 0; i < book_.size(); ++i)
    if (book_[i] && book_[i]->text == text) return static_cast<int>(i) + 1;
  return 0;
}

bool SimCard::CheckPin(const std::string& given) {
  if (puk_required()) return false;
  if (given == pin) {
    pin_attempts_left = 3;
    return true;
  }
  --pin_attempts_left;
  return false;
}

void SimCard::Prefill(SimFamily family, const std::string& version) {
  struct Row {
    const char* name;
    const char* value;
  };
  std::vector<Row> rows = {
      {"TEST1", "+420602555101"}, {"TEST2", "+420602555102"},
      {"MASTER1", "+420731555201"}, {"MASTER2", "+420731555202"},
      {"MASTER3", "+420603555203"}, {"MASTER4", "112"},
  };
  if (family == SimFamily::kVrkt) {
    rows.push_back({"PORTCLOSE", "+420602555301"});
    rows.push_back({"PORTOPEN", "+420602555302"});
  }
  rows.push_back({"PARVRKT", "4#4#3#9#3#5#30#3#2#0"});
  rows.push_back({"PARRL1", "5#0#03#1"});
  rows.push_back({"VOLTAGE", "11*5"});
  if (family == SimFamily::kDvg) {
    rows.push_back({"PORTCLOSE1", "+420602555311"});
    rows.push_back({"PORTOPEN1", "+420602555312"});
    rows.push_back({"PORTCLOSE2", "+420602555321"});
    rows.push_back({"TINPUTS", "0600#0003#0010"});
    rows.push_back({"SDATA", "10#9600"});
  }
  rows.push_back({"VER", version.c_str()});
  // The ordinary book: the service desk and the building's caretakers.
  rows.push_back({"Service desk", "+420800555000"});
  rows.push_back({"Caretaker", "+420777555410"});
  rows.push_back({"Reception", "0123456789"});
  rows.push_back({"Night shift", "+420777555420"});
  int index = 1;
  for (const Row& r : rows) {
    if (index > capacity()) break;
    Write(index++, r.value, std::nullopt, r.name);
  }
}

void SimCard::FillFree() {
  for (int i = 1; i <= capacity(); ++i)
    if (!At(i)) Write(i, "+42077755" + std::to_string(1000 + i), std::nullopt, "Tenant " + std::to_string(i));
}

}  // namespace vrkt
