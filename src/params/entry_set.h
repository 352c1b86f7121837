#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "base/variant.h"
#include "params/held_values.h"
#include "ui/form.h"

// The unit keeps its configuration as SIM phone-book entries with reserved names. This header is
// the one table of those names: which product variant uses each, what kind of value it carries,
// the defaults, the checks a held value must pass before it is decoded, the order in which the
// entries are written, and the keys they take in a parameter file.
//
// For the writer of the unit (write-all):
//   for (const WriteStep& s : WriteOrder()) {
//     std::string v = WriteValue(s, form, held, variant);
//     if (v.empty()) continue;             // the step takes no SIM position
//     ... AT+CPBW=<next position>,"<v>",...,"<s.entry>"
//   }
// (run EncodeEntryValues first so that the held compound values follow the controls).
//
// For the parameter file: FileKeyFor(entry) / EntryForFileKey(key) rename PARVRKT and PARRL1;
// VoltageWriteValue(form) gives the "VOLTAGE" value or nothing.
namespace vrkt {

// Which product variant an entry or a write step belongs to.
enum class Scope { kBoth, kVrkt, kDvg };

bool InScope(Scope scope, const Variant& variant);

enum class EntryKind {
  kPhoneNumber,  // the value is the text of one edit
  kCompound,     // PARVRKT, PARRL1, TINPUTS, SDATA: a held value, converted by the mapping
  kVoltage,      // VOLTAGE: whole volts "*" tenths
  kVersion,      // VER: read only, shown in the status bar
};

struct ReservedEntry {
  std::string_view name;  // exact SIM name, upper case
  Scope scope;            // the variant whose entry this is when reading from the SIM
  EntryKind kind;
  std::string_view control;  // phone-number entries: the edit that carries the value
};

// Every reserved name, once. TINPUTS and SDATA are DVG entries but are read and decoded in both
// variants; `ReadInVariant` says that.
std::span<const ReservedEntry> ReservedEntries();
// The entry of exactly this name (case-sensitive, no trimming), or nullptr.
const ReservedEntry* FindReservedEntry(std::string_view name);
// Whether an entry of this name read from the SIM goes to the controls in the running variant;
// every other name (the other variant's port entries included) is an ordinary phone-book entry.
bool ReadInVariant(const ReservedEntry& entry, const Variant& variant);
// The edit that takes a phone-number entry of this name in the running variant (PORTCLOSE goes to
// ALARMON, PORTOPEN to ALARMOFF), or nullptr when the name is no phone-number entry there.
Edit* PhoneNumberControl(Form1& form, std::string_view name, const Variant& variant);

// The product whose unit takes the extra click-rule steps (the two modes exclude each other).
inline constexpr std::string_view kVrktProductName = "GSM Vornacle";

// Characters an entry value may consist of.
inline constexpr std::string_view kValueChars = "0123456789+*#";

// Default values: a held value that fails its check is replaced by these before decoding.
inline constexpr std::string_view kDefaultPARVRKT = "4#4#3#9#3#5#30#3#2#0";
inline constexpr std::string_view kDefaultPARRL1 = "5#0#03#1";
inline constexpr std::string_view kDefaultTINPUTS = "0600#0003#0010";
inline constexpr std::string_view kDefaultSDATA = "10#9600";

// Held values before anything was read or loaded. Both fail their length check on purpose, so the
// first decode shows the defaults; TINPUTS, SDATA and VOLTAGE start empty.
inline constexpr std::string_view kStartupPARVRKT = "4#4#0#0#1#7#2#0";
inline constexpr std::string_view kStartupPARRL1 = "55#1#03#1";
void SetStartupHeldValues(HeldValues& held);

// The checks made before a held value is decoded. SDATA is replaced only when it is shorter than
// 7 characters AND its third character is not "#" (a missing third character counts as not "#"):
// "12#" passes, "5#9600" does not.
bool ValidPARVRKT(std::string_view value);
bool ValidPARRL1(std::string_view value);
bool ValidTINPUTS(std::string_view value);
bool ValidSDATA(std::string_view value);
// Replaces each of the four held compound values that fails its check by its default.
void ReplaceInvalidHeldValues(HeldValues& held);

// Where a write step takes its value.
enum class ValueSource {
  kFromControl,  // the text of `control`
  kFromHeld,     // the held compound value of `entry`, freshly encoded
  kFromVoltage,  // VoltInt "*" VoltFr, only when VoltInt is not "00"
};

struct WriteStep {
  int step;                // 1 ... 28
  std::string_view entry;  // SIM name
  Scope scope;
  ValueSource source;
  std::string_view control;  // kFromControl only
};

inline constexpr int kWriteStepCount = 28;
// All 28 steps, in writing order. Steps of the other variant are part of the table; WriteValue
// gives them no value.
std::span<const WriteStep, kWriteStepCount> WriteOrder();
// The value to write at this step, or empty when the step takes no SIM position: the step belongs
// to the other variant, its control or held value is empty, or it is VOLTAGE with VoltInt "00".
std::string WriteValue(const WriteStep& step, const Form1& form, const HeldValues& held,
                       const Variant& variant);
// The held value of a compound entry by name (PARVRKT, PARRL1, TINPUTS, SDATA, VOLTAGE), or
// nullptr for any other name.
std::string* HeldValueOf(HeldValues& held, std::string_view name);
const std::string* HeldValueOf(const HeldValues& held, std::string_view name);

// VOLTAGE as written to the unit and to a parameter file: VoltInt "*" VoltFr, or empty when
// VoltInt is "00" (the unit then keeps no threshold). An empty VoltInt is not "00": it writes
// "*" and the tenths.
std::string VoltageWriteValue(const Form1& form);

// Parameter-file keys: PARVRKT is stored as "PARAMVRKT" and PARRL1 as "PARAMRL1"; every other
// entry keeps its name.
std::string FileKeyFor(std::string_view entry);
// The entry a file key stands for ("PARAMVRKT" -> PARVRKT). The bare names PARVRKT and PARRL1 are
// no file keys and give an empty text; any other key is returned as it stands.
std::string EntryForFileKey(std::string_view key);

}  // namespace vrkt
