#include "random/session.h"

#include <cstdio>

namespace vrkt::testing {

const std::vector<std::string>& EditFields() {
  static const std::vector<std::string> kFields = {
      "MASTER1", "MASTER2",  "MASTER3",  "MASTER7",    "TEST1",      "TEST2",
      "TEST5",   "TEST8",    "ALARMON",  "ALARMOFF",   "PORTOPEN1",  "PORTCLOSE1",
      "PORTOPEN3", "TIN1",   "TIN3",     "RelTime1",   "VoltInt",    "VoltFr",
      "Dtime",   "FindN"};
  return kFields;
}

const std::vector<std::string>& PickLists() {
  static const std::vector<std::string> kLists = {"TLtime", "BLtime", "BLbtime", "waiting",
                                                  "Tperiod", "TShift", "Rate"};
  return kLists;
}

const std::vector<std::string>& CheckFields() {
  static const std::vector<std::string> kChecks = {"ECALL",      "ECALLmode",    "ECALLmode1",
                                                   "ServiceMode", "ServiceMode1", "TestCall",
                                                   "ATest",       "TestSMS"};
  return kChecks;
}

const std::vector<std::string>& RelayButtons() {
  static const std::vector<std::string> kRelays = {"RelSMS1", "RelECALL", "RelCam1",  "RelRunning",
                                                   "RelLi1",  "RelBut1",  "OKservice"};
  return kRelays;
}

const std::vector<std::string>& ErrorTargets() {
  static const std::vector<std::string> kTargets = {"AT+CPBW", "AT+CPBR", "AT+COPS", "ATE0",
                                                    "AT+CSQ",  "AT#CBC",  "AT+CPIN", "AT+CLCK",
                                                    "AT#WSCRIPT", "AT#ESCRIPT"};
  return kTargets;
}

const char* ProgramName(const UnitSpec& unit) {
  switch (unit.program) {
    case 1: return "DVG1Cset";
    case 2: return "VRKT4Gset";
    default: return "VRKTset";
  }
}

namespace {

// A C++ string literal for any bytes.
std::string Literal(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c >= 127) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X\"\"", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string At(const std::vector<std::string>& table, int i) {
  if (table.empty()) return "?";
  return table[static_cast<size_t>(i) % table.size()];
}

const char* ActName(Act act) {
  switch (act) {
    case Act::kWait: return "kWait";
    case Act::kStop: return "kStop";
    case Act::kRun: return "kRun";
    case Act::kLoadUnit: return "kLoadUnit";
    case Act::kSaveUnit: return "kSaveUnit";
    case Act::kSignal: return "kSignal";
    case Act::kEdit: return "kEdit";
    case Act::kPick: return "kPick";
    case Act::kCheck: return "kCheck";
    case Act::kRelay: return "kRelay";
    case Act::kSlide: return "kSlide";
    case Act::kGridSelect: return "kGridSelect";
    case Act::kGridInsert: return "kGridInsert";
    case Act::kGridDelete: return "kGridDelete";
    case Act::kGridAppend: return "kGridAppend";
    case Act::kGridName: return "kGridName";
    case Act::kGridPhone: return "kGridPhone";
    case Act::kPcSave: return "kPcSave";
    case Act::kPcLoad: return "kPcLoad";
    case Act::kPin: return "kPin";
    case Act::kLoaderRun: return "kLoaderRun";
    case Act::kLoaderCancel: return "kLoaderCancel";
    case Act::kLatency: return "kLatency";
    case Act::kListingSpeed: return "kListingSpeed";
    case Act::kNoise: return "kNoise";
    case Act::kSilentAfter: return "kSilentAfter";
    case Act::kErrorOn: return "kErrorOn";
    case Act::kCtsLost: return "kCtsLost";
    case Act::kHeal: return "kHeal";
  }
  return "?";
}

}  // namespace

std::string Describe(const Step& s) {
  const std::string a = std::to_string(s.a);
  const std::string b = std::to_string(s.b);
  switch (s.act) {
    case Act::kWait: return "wait " + a + " ms";
    case Act::kStop: return "user: Stop";
    case Act::kRun: return "user: Run";
    case Act::kLoadUnit: return "user: Load (unit)";
    case Act::kSaveUnit: return "user: Save (unit)";
    case Act::kSignal: return "user: signal";
    case Act::kEdit: return "user: " + At(EditFields(), s.a) + " := " + Literal(s.text);
    case Act::kPick: return "user: picks item " + b + " of " + At(PickLists(), s.a);
    case Act::kCheck: return "user: clicks " + At(CheckFields(), s.a);
    case Act::kRelay: return "user: selects relay " + At(RelayButtons(), s.a);
    case Act::kSlide: return std::string("user: ") + (s.a % 2 ? "VolMic" : "VolSpk") + " to " + b;
    case Act::kGridSelect: return "user: selects grid line " + a;
    case Act::kGridInsert: return "user: Insert Line";
    case Act::kGridDelete: return "user: Delete Line";
    case Act::kGridAppend: return "user: appends a grid row";
    case Act::kGridName: return "user: name of grid line " + a + " := " + Literal(s.text);
    case Act::kGridPhone: return "user: phone of grid line " + a + " := " + Literal(s.text);
    case Act::kPcSave: return "user: Save (PC file)";
    case Act::kPcLoad: return "user: Load (PC file) #" + a;
    case Act::kPin:
      return "user: PIN := " + Literal(s.text) + ", then " + (s.a % 2 ? "For Code PIN" : "UNPIN");
    case Act::kLoaderRun: return "user: loads loader list #" + a + " and presses Send";
    case Act::kLoaderCancel: return "user: cancels the loader";
    case Act::kLatency: return "unit: answers " + a + " ms late";
    case Act::kListingSpeed: return "unit: lists at " + a + " ms per byte";
    case Act::kNoise: return "unit: line noise " + a + " per mille";
    case Act::kSilentAfter:
      return s.a ? "unit: falls silent after " + a + " more commands" : "unit: falls silent";
    case Act::kErrorOn: return "unit: answers ERROR to " + At(ErrorTargets(), s.a);
    case Act::kCtsLost: return "unit: CTS lost after " + a + " more bytes";
    case Act::kHeal: return "unit: all faults gone, CTS on";
  }
  return "?";
}

std::string AsCode(const Session& session) {
  const UnitSpec& u = session.unit;
  auto flag = [](bool v) { return v ? "true" : "false"; };
  std::string out = "Session session{{.program = " + std::to_string(u.program) +
                    ", .module_framing = " + flag(u.module_framing) + ", .echo = " + flag(u.echo) +
                    ", .capacity = " + std::to_string(u.capacity) +
                    ", .name_length = " + std::to_string(u.name_length) +
                    ", .range_without_parens = " + flag(u.range_without_parens) +
                    ", .listing_ends_in_error = " + flag(u.listing_ends_in_error) +
                    ", .plain_errors = " + flag(u.plain_errors) + ", .prefill = " +
                    flag(u.prefill) + ", .pin_enabled = " + flag(u.pin_enabled) +
                    ", .seed = " + std::to_string(u.seed) + "},\n  {\n";
  for (const Step& s : session.steps) {
    out += "    {Act::" + std::string(ActName(s.act));
    if (s.a || s.b || !s.text.empty()) out += ", " + std::to_string(s.a);
    if (s.b || !s.text.empty()) out += ", " + std::to_string(s.b);
    if (!s.text.empty()) out += ", " + Literal(s.text);
    out += "},  // " + Describe(s) + "\n";
  }
  return out + "  }};\n";
}

}  // namespace vrkt::testing
