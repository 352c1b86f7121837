#include "support/session_checks.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <vector>

#include "app/program.h"
#include "files/param_file.h"
#include "params/entry_set.h"
#include "phonebook/phonebook.h"
#include "support/harness.h"
#include "support/temp_dir.h"

namespace vrkt::testing {

namespace {

const std::map<std::string, std::vector<std::string>>& Containers() {
  static const std::map<std::string, std::vector<std::string>> kAround = [] {
    std::map<std::string, std::vector<std::string>> m;
    auto put = [&](std::vector<std::string> around, std::initializer_list<const char*> names) {
      for (const char* n : names) m[n] = around;
    };
    put({"GroupBox4"}, {"RunGDI", "StopGDI", "SaveGDI", "LoadGDI"});
    put({"GroupBox5"}, {"Save", "Load"});
    put({"support"}, {"UNPIN", "CodePIN", "Send", "PIN", "LoadList", "ClrList", "CancelSend",
                      "IMEI", "SaveMonitor"});
    put({"PhoneBook"}, {"PhoneBook1", "LineIn", "LineDel", "FindN", "Find"});
    put({"Emergency"}, {"MASTER1", "MASTER2", "MASTER3", "MASTER4", "MASTER5", "MASTER6", "MASTER7",
                        "TLtime", "BLtime", "BLbtime", "waiting", "ECALL", "VolSpk", "VolMic"});
    put({"Service"}, {"TEST1", "TEST2", "TEST3", "TEST4", "TEST5", "TEST6", "TEST7", "TEST8",
                      "Tperiod", "TShift", "TestCall", "ATest", "TestSMS"});
    put({"Ports"}, {"RelSMS1", "RelECALL", "RelCam1", "RelRunning", "RelLi1", "RelBut1",
                    "OKservice", "RelTime1", "VoltInt", "VoltFr"});
    put({"Ports", "GroupBox9"}, {"ALARMON", "ALARMOFF", "ECALLmode", "ServiceMode"});
    put({"Ports", "PortList"},
        {"PORTOPEN1", "PORTOPEN2", "PORTOPEN3", "PORTCLOSE1", "PORTCLOSE2", "PORTCLOSE3", "TIN1",
         "TIN2", "TIN3", "ECALLmode1", "ServiceMode1"});
    put({"Ports", "RS232"}, {"Dtime", "Rate"});
    return m;
  }();
  return kAround;
}

bool ValidHeldLine(const std::string& line) {
  std::string_view key = RowName(line), value = RowPhone(line);
  if (key == "PARAMVRKT") return ValidPARVRKT(value);
  if (key == "PARAMRL1") return ValidPARRL1(value);
  if (key == "TINPUTS") return ValidTINPUTS(value);
  if (key == "SDATA") return ValidSDATA(value);
  return true;
}

}  // namespace

std::string Quoted(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 32 || c > 126) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

bool UserCanReach(Form1& form, Control& control) {
  if (!control.visible() || !control.enabled()) return false;
  auto it = Containers().find(control.name());
  if (it == Containers().end()) return true;
  return std::all_of(it->second.begin(), it->second.end(), [&](const std::string& name) {
    Control* outer = form.FindControl(name);
    return !outer || (outer->visible() && outer->enabled());
  });
}

std::string StillBusy(Program& p) {
  const OperationState& op = p.op;
  Form1& f = p.form;
  std::string out;
  auto add = [&](bool on, const char* what) {
    if (on) out += std::string(out.empty() ? "" : ", ") + what;
  };
  add(op.WriteAllRunning, "write-all running");
  add(p.transfer.ReadRunning(), "read-all running");
  add(p.loader.running(), "loader running");
  add(p.loader.waiting_for_send_event(), "loader waits for #ASENDEV");
  add(f.Cekani.is_enabled(), "waiting after Stop or Run");
  add(f.Prubeh.visible(), "progress bar shown");
  add(f.TransferDeadline.is_enabled() || f.LoaderDeadline.is_enabled(), "a deadline armed");
  add(!f.GroupBox4.enabled() || !f.GroupBox5.enabled() || !f.support.enabled() ||
          !f.Emergency.enabled() || !f.PhoneBook.enabled() || !f.signal.enabled(),
      "window disabled");
  add(p.busy(), "inside a handler");
  return out;
}

std::string StoredFilesDifference(const SimUnit& unit, const std::string& folder) {
  namespace fs = std::filesystem;
  for (const auto* stored : {&unit.scripts(), &unit.files()}) {
    for (const auto& [name, data] : *stored) {
      const fs::path path = fs::path(folder) / name;
      if (!fs::is_regular_file(path)) continue;
      const std::string file = ReadBytes(path.string());
      if (data != file)
        return "the unit stored " + name + " as " + std::to_string(data.size()) +
               " bytes that are not the file's " + std::to_string(file.size());
    }
  }
  return {};
}

std::string ReloadDifference(const std::string& program_name, const std::string& saved) {
  Harness fresh(program_name);
  fresh.Start();
  fresh.program->Run([&] { LoadParameterText(fresh.program->parameters, saved); });
  if (!fresh.dialogs.messages.empty())
    return "it does not load: " + Quoted(fresh.dialogs.messages[0]);
  const std::string again = BuildParameterFile(fresh.program->parameters);
  const std::vector<std::string> a = SplitTextLines(saved), b = SplitTextLines(again);
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string la = i < a.size() ? a[i] : "(no line)";
    const std::string lb = i < b.size() ? b[i] : "(no line)";
    if (la == lb || (RowName(la) == RowName(lb) && !ValidHeldLine(la))) continue;
    return "line " + std::to_string(i + 1) + " was " + Quoted(la) + " and is " + Quoted(lb) +
           " after loading and saving";
  }
  return {};
}

}  // namespace vrkt::testing
