#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A random session: a unit of some kind, then the user's actions on the window and the unit's
// changes of behaviour, in order. Sessions are plain data so that a failing one, once shrunk,
// prints as code that a regular test can run again.
namespace vrkt::testing {

enum class Act : uint8_t {
  // --- The user.
  kWait,         // a: milliseconds of the event loop running (polls, replies, deadlines)
  kStop,         // the unit group's buttons, pressed only while the window offers them
  kRun,
  kLoadUnit,
  kSaveUnit,
  kSignal,
  kEdit,         // a: EditField index, text: what the user leaves in the field
  kPick,         // a: PickList index, b: item
  kCheck,        // a: CheckField index: clicked
  kRelay,        // a: relay radio button index
  kSlide,        // a: 0 speaker, 1 microphone; b: position
  kGridSelect,   // a: grid line
  kGridInsert,
  kGridDelete,
  kGridAppend,   // the grid's own keyboard command
  kGridName,     // a: grid line, text
  kGridPhone,    // a: grid line, text
  kPcSave,
  kPcLoad,       // a: which file (the files saved so far, then the prepared ones)
  kPin,          // text: the PIN typed; a: 0 UNPIN, 1 For Code PIN
  kLoaderRun,    // a: which prepared list; loaded into a cleared list and sent
  kLoaderCancel,
  // --- The unit.
  kLatency,      // a: milliseconds added to every answer
  kListingSpeed, // a: milliseconds per byte of a phone-book listing
  kNoise,        // a: junk bytes per thousand bytes sent
  kSilentAfter,  // a: the unit falls silent after this many more commands
  kErrorOn,      // a: ErrorTarget index: the unit answers "ERROR" to that command
  kCtsLost,      // a: CTS drops once the unit has taken this many more bytes
  kHeal,         // every fault off and CTS back
};

struct Step {
  Step(Act act_ = Act::kWait, int a_ = 0, int b_ = 0, std::string text_ = {})
      : act(act_), a(a_), b(b_), text(std::move(text_)) {}
  Act act = Act::kWait;
  int a = 0;
  int b = 0;
  std::string text;
};

// The unit at the start of a session.
struct UnitSpec {
  int program = 0;  // 0 VRKTset, 1 DVG1Cset, 2 VRKT4Gset (the unit is of the same kind)
  bool module_framing = false;
  bool echo = true;
  int capacity = 40;
  int name_length = 16;
  bool range_without_parens = false;
  bool listing_ends_in_error = false;
  bool plain_errors = false;
  bool prefill = true;
  bool pin_enabled = false;
  uint32_t seed = 1;
};

struct Session {
  UnitSpec unit;
  std::vector<Step> steps;
};

// The tables the step indexes point into.
const std::vector<std::string>& EditFields();   // MASTER1 ... PIN-free edit names
const std::vector<std::string>& PickLists();
const std::vector<std::string>& CheckFields();
const std::vector<std::string>& RelayButtons();
const std::vector<std::string>& ErrorTargets();  // command prefixes
inline constexpr int kLoaderLists = 5;
inline constexpr int kPreparedParameterFiles = 2;
// The SIM's PIN when the session asks for one.
inline constexpr char kSimPin[] = "1234";

const char* ProgramName(const UnitSpec& unit);

// One line of a transcript: what the step does, in words.
std::string Describe(const Step& step);
// The session as C++ that builds it again, for a regular test.
std::string AsCode(const Session& session);

}  // namespace vrkt::testing
