// The phone-book entry line: any line the unit may send ("+CPBR: " index, "number", type,
// "name"), cut into number and name, and, when it has the exact listing form, sorted into the
// window as a read sorts it. Neither part may hold a double
// quote; an entry line built from them cuts back to them; and an entry that becomes a grid row,
// written back to a unit, must be stored as the same name and number, or not be sent at all.
//
// Input: variant byte, then the line (bytes below 32 are dropped, as the receiver drops them).
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "link/transfer_wire.h"
#include "params/mapping.h"
#include "phonebook/phonebook.h"
#include "support/harness.h"
#include "support/wire_checks.h"
#include "unit/transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vrkt;
  using namespace vrkt::fuzz;
  Input in(data, size);
  const char* program = ProgramName(in.Byte());
  std::string line = in.Rest();
  line.erase(std::remove_if(line.begin(), line.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 32; }),
             line.end());

  const SimEntryText e = ParseSimEntryLine(line);
  FUZZ_CHECK(e.number.find('"') == std::string::npos && e.name.find('"') == std::string::npos,
             "a cut part holds a quote: " + Quoted(line));
  // The cuts follow the unit's application, which finds the name after the first comma behind
  // the number's opening quote; a SIM number never holds a comma.
  if (e.number.find(',') == std::string::npos) {
    const SimEntryText back =
        ParseSimEntryLine("+CPBR: 7,\"" + e.number + "\",129,\"" + e.name + "\"");
    FUZZ_CHECK(back.number == e.number && back.name == e.name,
               "an entry line built from the parts cuts differently: " + Quoted(line));
  }

  testing::Harness h(program);
  // The rows go to the module without stopping the unit first.
  h.AnswerWhileRunning();
  h.Start();
  h.RunFor(300);
  h.program->phonebook.Clear();
  // A read takes a line only in the exact listing form, and sorts it as the listing does.
  if (const std::optional<ListedEntry> listed = ParseListedEntry(line)) {
    h.program->Run([&] {
      Program& p = *h.program;
      if (RouteEntry(p.form, p.held, p.variant, listed->name, listed->number) ==
          EntryRoute::kOrdinary)
        p.phonebook.AppendRow(listed->name, listed->number);
    });
  }
  for (int row = 1; row <= h.program->phonebook.RowCount(); ++row) {
    const std::string name = h.program->phonebook.Name(row);
    const std::string phone = h.program->phonebook.Phone(row);
    const std::string command = SimWriteCommand(1, phone, name);
    if (!IsWireSafeName(name) || !IsWireSafeValue(phone) || name.empty() || phone.empty()) continue;
    const std::string why = testing::CheckCommandLine(command.substr(0, command.size() - 2));
    FUZZ_CHECK(why.empty(),
               "a row the program would write goes out as " + Quoted(command) + ": " + why);
    // The simulated unit reads the command as a module does; a SIM that can hold it must hold
    // the row as it was read.
    SimCard& card = h.unit().card();
    if (name.size() > card.text_length() || phone.size() > card.number_length()) continue;
    h.program->Send(command);
    h.RunFor(200);
    const auto& stored = card.At(1);
    FUZZ_CHECK(stored && stored->text == name && stored->number == phone,
               "the row " + Quoted(name) + "=" + Quoted(phone) + " was stored as " +
                   (stored ? Quoted(stored->text) + "=" + Quoted(stored->number) : "nothing"));
  }
  return 0;
}
