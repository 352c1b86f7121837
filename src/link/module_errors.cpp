#include "link/module_errors.h"

#include <cctype>
#include <span>

namespace vrkt {

namespace {

struct CodeText {
  int code;
  std::string_view text;
};

// Mobile termination errors of the AT command set for user equipment (3GPP TS 27.007, clause
// 9.2): the general errors, then those of packet-switched service, whose numbers are 100 above
// the network's own cause values.
constexpr CodeText kCmeErrors[] = {
    {0, "phone failure"},
    {1, "no connection to phone"},
    {2, "phone-adaptor link reserved"},
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {5, "PH-SIM PIN required"},
    {6, "PH-FSIM PIN required"},
    {7, "PH-FSIM PUK required"},
    {10, "SIM not inserted"},
    {11, "SIM PIN required"},
    {12, "SIM PUK required"},
    {13, "SIM failure"},
    {14, "SIM busy"},
    {15, "SIM wrong"},
    {16, "incorrect password"},
    {17, "SIM PIN2 required"},
    {18, "SIM PUK2 required"},
    {20, "memory full"},
    {21, "invalid index"},
    {22, "not found"},
    {23, "memory failure"},
    {24, "text string too long"},
    {25, "invalid characters in text string"},
    {26, "dial string too long"},
    {27, "invalid characters in dial string"},
    {30, "no network service"},
    {31, "network timeout"},
    {32, "network not allowed - emergency calls only"},
    {40, "network personalization PIN required"},
    {41, "network personalization PUK required"},
    {42, "network subset personalization PIN required"},
    {43, "network subset personalization PUK required"},
    {44, "service provider personalization PIN required"},
    {45, "service provider personalization PUK required"},
    {46, "corporate personalization PIN required"},
    {47, "corporate personalization PUK required"},
    {48, "hidden key required"},
    {49, "EAP method not supported"},
    {50, "incorrect parameters"},
    {51, "command implemented but currently disabled"},
    {52, "command aborted by user"},
    {53, "not attached to network due to MT functionality restrictions"},
    {54, "modem not allowed - MT restricted to emergency calls only"},
    {55, "operation not allowed because of MT functionality restrictions"},
    {56, "fixed dial number only allowed - called number is not a fixed dial number"},
    {57, "temporarily out of service due to other MT usage"},
    {58, "language/alphabet not supported"},
    {59, "unexpected data value"},
    {60, "system failure"},
    {61, "data missing"},
    {62, "call barred"},
    {63, "message waiting indication subscription failure"},
    {100, "unknown"},
    {103, "illegal MS"},
    {106, "illegal ME"},
    {107, "GPRS services not allowed"},
    {108, "GPRS services and non-GPRS services not allowed"},
    {111, "PLMN not allowed"},
    {112, "location area not allowed"},
    {113, "roaming not allowed in this location area"},
    {114, "GPRS services not allowed in this PLMN"},
    {115, "no suitable cells in location area"},
    {122, "congestion"},
    {125, "not authorized for this CSG"},
    {126, "insufficient resources"},
    {127, "missing or unknown APN"},
    {128, "unknown PDP address or PDP type"},
    {129, "user authentication failed"},
    {130, "activation rejected by GGSN, Serving GW or PDN GW"},
    {131, "activation rejected, unspecified"},
    {132, "service option not supported"},
    {133, "requested service option not subscribed"},
    {134, "service option temporarily out of order"},
    {140, "feature not supported"},
    {141, "semantic error in the TFT operation"},
    {142, "syntactical error in the TFT operation"},
    {143, "unknown PDP context"},
    {144, "semantic errors in packet filter(s)"},
    {145, "syntactical errors in packet filter(s)"},
    {146, "PDP context without TFT already activated"},
    {148, "unspecified GPRS error"},
    {149, "PDP authentication failure"},
    {150, "invalid mobile class"},
    {151, "VBS/VGCS not supported by the network"},
    {152, "no service subscription on SIM"},
    {153, "no subscription for group ID"},
    {154, "group ID not activated on SIM"},
    {155, "no matching notification"},
    {156, "VBS/VGCS call already present"},
    {157, "congestion"},
    {158, "network failure"},
    {159, "uplink busy"},
    {160, "no access rights for SIM file"},
    {161, "no subscription for priority"},
    {162, "operation not applicable or not possible"},
    {163, "group ID prefixes not supported"},
    {164, "group ID prefixes not usable for VBS"},
    {165, "group ID prefix value invalid"},
    {171, "last PDN disconnection not allowed"},
    {172, "semantically incorrect message"},
    {173, "mandatory information element error"},
    {174, "information element non-existent or not implemented"},
    {175, "conditional IE error"},
    {176, "protocol error, unspecified"},
    {177, "operator determined barring"},
    {178, "maximum number of PDP contexts reached"},
    {179, "requested APN not supported in current RAT and PLMN combination"},
    {180, "request rejected, Bearer Control Mode violation"},
    {181, "unsupported QCI value"},
    {182, "user data transmission via control plane is congested"},
};

// Message service failures (3GPP TS 27.005, clause 3.2.5). The module's own codes come first
// so that a text listed twice (the network's "memory capacity exceeded" among them) reads back
// as the module's number. Below 128 are the network's cause values for a refused transfer
// (TS 24.011, annex E), from 128 to 255 those of the short message centre (TS 23.040).
constexpr CodeText kCmsErrors[] = {
    {300, "ME failure"},
    {301, "SMS service of ME reserved"},
    {302, "operation not allowed"},
    {303, "operation not supported"},
    {304, "invalid PDU mode parameter"},
    {305, "invalid text mode parameter"},
    {310, "SIM not inserted"},
    {311, "SIM PIN required"},
    {312, "PH-SIM PIN required"},
    {313, "SIM failure"},
    {314, "SIM busy"},
    {315, "SIM wrong"},
    {316, "SIM PUK required"},
    {317, "SIM PIN2 required"},
    {318, "SIM PUK2 required"},
    {320, "memory failure"},
    {321, "invalid memory index"},
    {322, "memory full"},
    {330, "SMSC address unknown"},
    {331, "no network service"},
    {332, "network timeout"},
    {340, "no +CNMA acknowledgement expected"},
    {500, "unknown error"},
    {1, "unassigned (unallocated) number"},
    {8, "operator determined barring"},
    {10, "call barred"},
    {21, "short message transfer rejected"},
    {22, "memory capacity exceeded"},
    {27, "destination out of order"},
    {28, "unidentified subscriber"},
    {29, "facility rejected"},
    {30, "unknown subscriber"},
    {38, "network out of order"},
    {41, "temporary failure"},
    {42, "congestion"},
    {47, "resources unavailable, unspecified"},
    {50, "requested facility not subscribed"},
    {69, "requested facility not implemented"},
    {81, "invalid short message transfer reference value"},
    {95, "semantically incorrect message"},
    {96, "invalid mandatory information"},
    {97, "message type non-existent or not implemented"},
    {98, "message not compatible with short message protocol state"},
    {99, "information element non-existent or not implemented"},
    {111, "protocol error, unspecified"},
    {127, "interworking, unspecified"},
    {128, "telematic interworking not supported"},
    {129, "short message type 0 not supported"},
    {130, "cannot replace short message"},
    {143, "unspecified TP-PID error"},
    {144, "data coding scheme (alphabet) not supported"},
    {145, "message class not supported"},
    {159, "unspecified TP-DCS error"},
    {160, "command cannot be actioned"},
    {161, "command unsupported"},
    {175, "unspecified TP-Command error"},
    {176, "TPDU not supported"},
    {192, "SC busy"},
    {193, "no SC subscription"},
    {194, "SC system failure"},
    {195, "invalid SME address"},
    {196, "destination SME barred"},
    {197, "SM rejected - duplicate SM"},
    {198, "TP-VPF not supported"},
    {199, "TP-VP not supported"},
    {208, "SIM SMS storage full"},
    {209, "no SMS storage capability in SIM"},
    {210, "error in MS"},
    {211, "memory capacity exceeded"},
    {212, "SIM Application Toolkit busy"},
    {213, "SIM data download error"},
    {255, "unspecified error cause"},
};

// Codes from here on are the module maker's own (TS 27.005); the standard gives them no text.
constexpr int kFirstMakerCmsCode = 512;
// No table number has more digits; a longer run of digits is no code of the standard.
constexpr size_t kMaxCodeDigits = 6;

std::span<const CodeText> TableOf(ModuleErrorFamily family) {
  if (family == ModuleErrorFamily::kCme) return kCmeErrors;
  return kCmsErrors;
}

std::string_view PrefixOf(ModuleErrorFamily family) {
  return family == ModuleErrorFamily::kCme ? "+CME ERROR:" : "+CMS ERROR:";
}

// Modules differ in letter case, hyphens and blanks ("network time-out", "PH_SIM PIN
// required"): only letters and digits are compared, without regard to case.
std::string Skeleton(std::string_view text) {
  std::string out;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c)) out.push_back(static_cast<char>(std::tolower(c)));
  }
  return out;
}

std::string_view TrimmedBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string_view ModuleErrorMeaning(ModuleErrorFamily family, int code) {
  for (const CodeText& e : TableOf(family))
    if (e.code == code) return e.text;
  return {};
}

std::optional<int> ModuleErrorCode(ModuleErrorFamily family, std::string_view text) {
  const std::string wanted = Skeleton(text);
  if (wanted.empty()) return std::nullopt;
  for (const CodeText& e : TableOf(family))
    if (Skeleton(e.text) == wanted) return e.code;
  return std::nullopt;
}

std::optional<ModuleError> FindModuleError(std::string_view line) {
  for (ModuleErrorFamily family : {ModuleErrorFamily::kCme, ModuleErrorFamily::kCms}) {
    const size_t at = line.find(PrefixOf(family));
    if (at == std::string_view::npos) continue;
    ModuleError e;
    e.family = family;
    e.start = at;
    e.sent = std::string(TrimmedBlanks(line.substr(at + PrefixOf(family).size())));
    e.numeric = !e.sent.empty() && e.sent.size() <= kMaxCodeDigits &&
                e.sent.find_first_not_of("0123456789") == std::string::npos;
    if (e.numeric)
      e.code = std::stoi(e.sent);
    else
      e.code = ModuleErrorCode(family, e.sent);
    if (e.code) e.meaning = ModuleErrorMeaning(family, *e.code);
    return e;
  }
  return std::nullopt;
}

std::string DescribeModuleErrors(std::string_view line) {
  std::optional<ModuleError> e = FindModuleError(line);
  if (!e || (!e->numeric && !e->code)) return std::string(line);
  std::string out(line.substr(0, e->start));
  out.append(PrefixOf(e->family)).append(" ").append(e->sent).append(" (");
  if (!e->numeric)
    out.append(std::to_string(*e->code));
  else if (!e->meaning.empty())
    out.append(e->meaning);
  else if (e->family == ModuleErrorFamily::kCms && *e->code >= kFirstMakerCmsCode)
    out.append("error of the module's maker");
  else
    out.append("unknown error");
  return out.append(")");
}

std::string ModuleErrorNote(std::string_view line) {
  std::string described = DescribeModuleErrors(line);
  if (described == line) return {};
  // Indented, so that a reader of the log sees it belongs to the received line above it.
  return "    " + described;
}

bool IsModuleError(std::string_view line, ModuleErrorFamily family, int code) {
  std::optional<ModuleError> e = FindModuleError(line);
  return e && e->family == family && e->code == code;
}

}  // namespace vrkt
