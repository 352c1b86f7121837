#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrkt {

enum class SimFamily { kVrkt, kDvg };

// One used position of the SIM phone book.
struct SimEntry {
  std::string number;
  int type = 129;  // 145 for numbers with a leading '+'
  std::string text;
};

// The SIM card: its phone book and its PIN. Limits default to a common SIM: numbers of up to 40
// characters, names of up to 16.
class SimCard {
 public:
  static constexpr size_t kNumberLength = 40;
  static constexpr size_t kTextLength = 16;

  explicit SimCard(int capacity = 250) { Reset(capacity); }
  // Empties the phone book and gives it `capacity` positions (at least 1) and these limits.
  void Reset(int capacity, size_t number_length = kNumberLength, size_t text_length = kTextLength);
  // Fills the phone book the way a unit of this family leaves the factory and its installer
  // leaves it: reserved configuration entries from position 1, then some ordinary entries.
  void Prefill(SimFamily family, const std::string& version);
  // Fills every free position with an ordinary tenant's entry: a large building's full SIM.
  void FillFree();

  int capacity() const { return static_cast<int>(book_.size()); }
  size_t number_length() const { return number_length_; }
  size_t text_length() const { return text_length_; }
  const std::optional<SimEntry>& At(int index) const { return book_.at(index - 1); }
  // Stores an entry; returns the module's error number on failure (21 index, 24 text too long,
  // 26 number too long, 27 invalid characters in the number), 0 on success.
  int Write(int index, const std::string& number, std::optional<int> type,
            const std::string& text);
  void Erase(int index) { book_.at(index - 1).reset(); }
  int UsedCount() const;
  // The position of the first entry named `text`, 0 if none.
  int Find(const std::string& text) const;

  // PIN state.
  bool pin_enabled = false;
  bool pin_entered = true;  // false: the SIM waits for its PIN before the phone book is usable
  std::string pin = "1234";
  int pin_attempts_left = 3;
  bool puk_required() const { return pin_attempts_left <= 0; }
  bool Locked() const { return puk_required() || (pin_enabled && !pin_entered); }
  // Checks a PIN given with a PIN command; a wrong one uses up an attempt.
  bool CheckPin(const std::string& given);

 private:
  std::vector<std::optional<SimEntry>> book_;
  size_t number_length_ = kNumberLength;
  size_t text_length_ = kTextLength;
};

}  // namespace vrkt
