#include "app/texts.h"

#include <string>
#include <vector>

#include "app/program.h"
#include "base/profile.h"

namespace vrkt {

namespace {

constexpr char kLanguageSection[] = "Language";
constexpr char kHelpSection[] = "Help";

// Captions. Every key is the English caption itself and sets every control created with that
// caption; `source` is the control whose caption the exit writes back. The keys that are not
// control captions are handled by kind.
enum class CaptionKind {
  kControls,
  kLanguageName,
  kUnitVrkt,
  kUnitDvg,
  kOperator,
  kBoardVoltage,
  kPhoneTitle,
  kNameTitle,
  kPortLabel,
  kNoPort
};

struct CaptionKey {
  const char* key;
  const char* source;
  CaptionKind kind = CaptionKind::kControls;
};

// In the order of writing.
const CaptionKey kCaptionKeys[] = {
    {"Language", nullptr, CaptionKind::kLanguageName},
    {"EMERGENCY", "Emergency"},
    {"Phone Book", "PhoneBook"},
    {"Ports", "Ports"},
    {"SERVICE", "Service"},
    {"Insert Line", "LineIn"},
    {"Delete Line", "LineDel"},
    {"Find Name", "GroupBox6"},
    {"Find", "Find"},
    {"Relay", "Relay1"},
    {"camera", "RelCam1"},
    {"light", "RelLi1"},
    {"running", "RelRunning"},
    {"button", "RelBut1"},
    {"SMS switch", "RelSMS1"},
    {"switching time", "LabelSwitchingTime"},
    {"SMS PORTCLOSE", "LabelPortClose9"},
    {"SMS PORTOPEN", "LabelPortOpen9"},
    {"waiting time", "LabelWaitingTime2"},
    {"max. time", "LabelMaxTime"},
    {"Save", "SaveGDI"},
    {"Load", "LoadGDI"},
    {"Battery", "Battery"},
    {"signal", "signal"},
    {"Save Log", "SaveMonitor"},
    {"Load List", "LoadList"},
    {"Clear List", "ClrList"},
    {"Send", "Send"},
    {"GSM Vornacle", "GroupBox4", CaptionKind::kUnitVrkt},
    {"Dorvik GSM", "GroupBox4", CaptionKind::kUnitDvg},
    {"Spk", "LabelSpk"},
    {"Mic", "LabelMic"},
    {"service OK", "OKservice"},
    {"Push for activate", "LabelPushForActivate"},
    {"Port close for activate", "LabelPortCloseForActivate"},
    {"Time", "LabelTime"},
    {"Emergency call", "LabelEmergencyCall"},
    {"Blocking emergency call", "LabelBlockingCall"},
    {"Emergency alarm mode", "ECALL"},
    {"Waiting for next", "LabelWaitingForNext"},
    {"Series of calling numbers", "LabelSeries"},
    {"Periode of test", "LabelPeriode"},
    {"day(s)", "LabelDays"},
    {"+ Shift", "LabelShift"},
    {"hour(s)", "LabelHours"},
    {"+ randomize of minutes via IMEI", "LabelRandomize"},
    {"Test Call", "TestCall"},
    {"Test Acustic path", "ATest"},
    {"SMS TEST", "TestSMS"},
    {"Power supply monitor", "GroupBox10"},
    {"Low supply voltage", "LabelLowVoltage"},
    {"Volume", "LabelVolume"},
    {"Monitor", "GroupBox7"},
    {"Loader", "GroupBox8"},
    {"Support", "support"},
    {"Input1", "Input1"},
    {"Input2", "Input2"},
    {"Input3", "Input3"},
    {"Operator", nullptr, CaptionKind::kOperator},
    {"board voltage", nullptr, CaptionKind::kBoardVoltage},
    {"sec.", "LabelSecBL"},
    {"Phone", nullptr, CaptionKind::kPhoneTitle},
    {"Name", nullptr, CaptionKind::kNameTitle},
    {"UNPIN", "UNPIN"},
    {"For Code PIN", "CodePIN"},
    {"Import", "BookImport"},
    {"Export", "BookExport"},
    {"Port...", "PortSelect"},
    {"Cancel", "CancelSend"},
    {"min.", "LabelMin"},
    {"Baud rate", "LabelBaudRate"},
    {"Bd", "LabelBd"},
    {"PIN", "Label54"},
    {"IN1", "GroupBox9"},
    {"CSD (RS232)", "RS232"},
    {"PC", "GroupBox5"},
    {"IMEI", "IMEI"},
    {"Port", nullptr, CaptionKind::kPortLabel},
    {"none", nullptr, CaptionKind::kNoPort},
};

// The DVG unit group's own key has a default that differs from the key.
constexpr char kDvgUnitDefault[] = "Dorvik GSM 1C";

// Tooltips. The default is `text`, or `text` + ProductName + `tail` when `product` is set. The
// exit writes back the tooltip of the first control listed.
struct HelpKey {
  const char* key;
  std::vector<const char*> controls;
  const char* text;
  bool product = false;
  const char* tail = "";
};

const std::vector<HelpKey>& HelpKeys() {
  static const std::vector<HelpKey> keys = {
      {"EMERGENCY",
       {"Emergency"},
       "Programming telephone numbers and parameters for emergency call"},
      {"Push for activate", {"TLtime"}, "Time button pressed for activation emergency call"},
      {"Port close for activate",
       {"BLtime"},
       "Time of port close for activation blocking emergency call"},
      {"time", {"BLbtime"}, "Duration blocking after port disconnection"},
      {"Emergency alarm mode",
       {"ECALL", "ECALLmode", "ECALLmode1"},
       "Activation Emergency alarm mode"},
      {"waiting", {"waiting"}, "Waiting before dialing next phone number in series"},
      {"Periode of test", {"Tperiod"}, "Setting the period of the test ", true},
      {"hour(s)", {"TShift"}, "Time offset from midnight."},
      {"Test Call", {"TestCall"}, "Activating the test call during test"},
      {"Test Acustic path", {"ATest"}, "Activating the test of acustic path during test"},
      {"Test SMS", {"TestSMS"}, "Activate sendig SMS TEST (status of ", true},
      {"switching time", {"RelTime1"}, "Prolongation time of relay closing."},
      {"Low voltage", {"VoltInt"}, "When the voltage is lower than the set, ", true, " send SMS."},
      {"waiting time",
       {"TIN1", "TIN2", "TIN3"},
       "Length time of closing / opening the input for sending SMS PORTOPEN / PORTCLOSE."},
      {"PhoneBook", {"PhoneBook", "PhoneBook1"}, "Telephone book in ", true},
      {"Ports", {"Ports"}, "Setting ports"},
      {"Support", {"support"}, "Upgrading fw of ", true, ", loading Voice Messages."},
      {"SERVICE", {"Service"}, "Programming telephone numbers and parameters for TESTs."},
      {"Telephone number",
       {"MASTER1",   "MASTER2",   "MASTER3",    "MASTER4",    "MASTER5",   "MASTER6",
        "MASTER7",   "TEST1",     "TEST2",      "TEST3",      "TEST4",     "TEST5",
        "TEST6",     "TEST7",     "TEST8",      "ALARMON",    "ALARMOFF",  "PORTOPEN1",
        "PORTOPEN2", "PORTOPEN3", "PORTCLOSE1", "PORTCLOSE2", "PORTCLOSE3"},
       "Telephone number"},
      {"LineIn", {"LineIn"}, "Insert a row into a phone book."},
      {"LineDel", {"LineDel"}, "Delete a row from a phone book."},
      {"Find Name", {"GroupBox6"}, "Find the line in the phone book by name."},
      {"VolumeSpk", {"VolSpk"}, "Adjusting the volume for the speaker."},
      {"VolumeMic", {"VolMic"}, "Adjusting the volume of the microphone."},
      {"RelCAM", {"RelCam1"}, "Relay switches pick up a call, hang up the call relay opens."},
      {"RelECALL",
       {"RelECALL"},
       "Relay is switched within activation alarm mode after emergency call."},
      {"RelLight",
       {"RelLi1"},
       "Relay switches pick up the call and will remain switched still  the switching time after "
       "hanging call."},
      {"RelRunning",
       {"RelRunning"},
       "The relay is switched when the ",
       true,
       " in regular operation."},
      {"RelButton",
       {"RelBut1"},
       "Relay is switched by pressing the button, it will remain switched by switching time."},
      {"RelSMS", {"RelSMS1"}, "The relay is on / off remotely using SMS."},
      {"Service OK",
       {"OKservice"},
       "Relay is switched by clossing input1, it will remain switched by switching time."},
      {"ServiceMode", {"ServiceMode", "ServiceMode1"}, "Input for registration Service visit"},
      {"Monitor", {"Monitor"}, "Monitoring serial communication."},
      {"SaveMonitor", {"SaveMonitor"}, "Save monitored serial communication."},
      {"LoadList", {"LoadList"}, "Uploading a list of files to be transferred into ", true},
      {"ClrList", {"ClrList"}, "Deleting a file list."},
      {"List", {"List"}, "List of files to be transferred into ", true},
      {"Send", {"Send"}, "Send (transfer) all files from the list to ", true},
      {"LoadGDI", {"LoadGDI"}, "Loading parameters from ", true},
      {"SaveGDI", {"SaveGDI"}, "Saving parameters to ", true},
      {"RunGDI", {"RunGDI"}, "Running operation ", true},
      {"StopGDI", {"StopGDI"}, "Stoping operation ", true},
      {"RXDled", {"RXDled"}, "Indication of operation on the serial line ", true},
      {"Battery", {"Battery"}, "Battery voltage (on-board network ", true},
      {"Power", {"PVoltage"}, "Power voltage of ", true},
      {"Load", {"Load"}, "Loading parameters from PC."},
      {"Save", {"Save"}, "Saving parameters to PC."},
      {"signal", {"signal"}, "Finding the signal strength (only when stopped ", true},
      {"SMeter", {"Smeter", "Bevel1"}, "Signal is good, when color is green or blue."},
      {"VoltFr", {"VoltFr"}, "Only information - not editable!"},
      {"IMEI", {"IMEI"}, "IMEI of GSM module"},
      {"PortSelect", {"PortSelect"}, "Choose the serial port the unit is connected to."},
      {"BookImport", {"BookImport"}, "Add phone book rows from a CSV or vCard file."},
      {"BookExport", {"BookExport"}, "Save the phone book as a CSV or vCard file."},
      {"RS232", {"RS232"}, "RS232 tunnel parameters seting."},
      {"DTIME", {"Dtime"}, "The maximum duration of the RS232 tunnel in minutes."},
      {"RATE", {"Rate"}, "Baud rate of communications in RS232 tunnel."},
      {"Power supply monitor", {"GroupBox10"}, "Setting the limit supply voltage."},
      {"UNPIN", {"UNPIN"}, "PIN deactivation."},
      {"CodePIN", {"CodePIN"}, "Changing the PIN to 7391 to encrypt the PIN on your device."},
      {"PIN", {"PIN"}, "Current PIN in the device."},
  };
  return keys;
}

std::string HelpDefault(const HelpKey& h, const Variant& variant) {
  std::string text = h.text;
  if (h.product) text += variant.ProductName + h.tail;
  return text;
}

// The control a table names; the tables and the window are built together, so a name that is
// missing is a programming error caught by the tests, and is skipped here rather than crashing.
Control* Named(const Form1& form, const char* name) { return form.FindControl(name); }

void SetCaptionOfAll(Form1& form, const std::string& key, const std::string& value) {
  for (Control* c : form.controls())
    if (c->default_caption() == key) c->SetCaption(value);
}

}  // namespace

void ApplyInterfaceTexts(Program& program, const ProfileFile& profile) {
  Form1& form = program.form;
  AppSettings& settings = program.settings;
  std::string phone_title = "Phone";
  std::string name_title = "Name";
  for (const CaptionKey& k : kCaptionKeys) {
    switch (k.kind) {
      case CaptionKind::kLanguageName:
        settings.Language = profile.ReadString(kLanguageSection, k.key, "Eng");
        break;
      case CaptionKind::kControls:
      case CaptionKind::kUnitVrkt:
        SetCaptionOfAll(form, k.key, profile.ReadString(kLanguageSection, k.key, k.key));
        break;
      case CaptionKind::kUnitDvg:
        if (program.variant.IsDvg())
          form.GroupBox4.SetCaption(profile.ReadString(kLanguageSection, k.key, kDvgUnitDefault));
        break;
      case CaptionKind::kOperator:
        settings.OperatorCaption = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
      case CaptionKind::kBoardVoltage:
        settings.BoardVoltageCaption = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
      case CaptionKind::kPhoneTitle:
        phone_title = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
      case CaptionKind::kNameTitle:
        name_title = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
      case CaptionKind::kPortLabel:
        settings.PortCaption = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
      case CaptionKind::kNoPort:
        settings.NoPortCaption = profile.ReadString(kLanguageSection, k.key, k.key);
        break;
    }
  }
  form.StatusBar1.SetPanel(0, settings.OperatorCaption + ":");
  form.StatusBar1.SetPanel(1, " " + settings.BoardVoltageCaption + ":");
  form.PhoneBook1.SetTitles(name_title, phone_title);

  for (const HelpKey& h : HelpKeys()) {
    std::string text = profile.ReadString(kHelpSection, h.key, HelpDefault(h, program.variant));
    for (const char* name : h.controls)
      if (Control* c = Named(form, name)) c->SetTooltip(text);
  }
}

void WriteInterfaceTexts(const Program& program, ProfileFile& profile) {
  const Form1& form = program.form;
  const AppSettings& settings = program.settings;
  for (const CaptionKey& k : kCaptionKeys) {
    std::string value;
    switch (k.kind) {
      case CaptionKind::kLanguageName:
        value = settings.Language;
        break;
      case CaptionKind::kUnitVrkt:
      case CaptionKind::kUnitDvg:
        // One unit group, two keys: a run writes the one of its own variant.
        if ((k.kind == CaptionKind::kUnitDvg) != program.variant.IsDvg()) continue;
        value = form.GroupBox4.caption();
        break;
      case CaptionKind::kControls: {
        Control* c = Named(form, k.source);
        if (!c) continue;
        value = c->caption();
        break;
      }
      case CaptionKind::kOperator:
        value = settings.OperatorCaption;
        break;
      case CaptionKind::kBoardVoltage:
        value = settings.BoardVoltageCaption;
        break;
      case CaptionKind::kPhoneTitle:
        value = form.PhoneBook1.value_title();
        break;
      case CaptionKind::kNameTitle:
        value = form.PhoneBook1.name_title();
        break;
      case CaptionKind::kPortLabel:
        value = settings.PortCaption;
        break;
      case CaptionKind::kNoPort:
        value = settings.NoPortCaption;
        break;
    }
    profile.WriteString(kLanguageSection, k.key, value);
  }
  for (const HelpKey& h : HelpKeys()) {
    if (Control* c = Named(form, h.controls.front()))
      profile.WriteString(kHelpSection, h.key, c->tooltip());
  }
}

}  // namespace vrkt
