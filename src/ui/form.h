#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.h"

namespace vrkt {

class Clock;

class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void ControlChanged(Control& control, Aspect aspect) = 0;
};

// The main window as a model: every control under its layout name, with its start state. The
// variant-specific visibility, the settings file's texts and the start-up steps are applied by
// the program at start-up; this class only holds the state and the control semantics.
//
// The names are those of the window's layout, kept because the settings file, the parameter
// files and the window's bindings use them. The ones a reader will not guess:
//   Form1          the main window
//   Cekani         "waiting": the one-second tick while Stop or Run waits for the unit
//   Prubeh         "progress": the progress bar of a read, a write or the loader
//   Inicializace   "initialisation": the button that sets up a new module, shown on request
//   WaitSer        (settings key) the pause before a file goes to the module
//   GroupBox4      the unit group (Run, Stop, the unit's Save and Load, supply and battery)
//   GroupBox5      the PC group (parameter file Save and Load)
//   GroupBox6..10  Find Name, Monitor, Loader, IN1 (VRKT), the supply monitor
//   Label34, Label54   the waiting-time echo on the Service page; the PIN field's label
//   Shape10..12    marks beside the supply bar (24 V, 12 V) and the battery bar (3.6 V)
//   Bevel1         the frame around the signal meter
//   *GDI           buttons that act on the unit (RunGDI, StopGDI, SaveGDI, LoadGDI)
//   ApdComPort1TriggerAvail   the handler for bytes waiting at the serial port
class Form1 {
 public:
  Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  Control* FindControl(std::string_view name) const;
  const std::vector<Control*>& controls() const { return controls_; }
  std::vector<Timer*> timers() const;

  void AddObserver(FormObserver* o);
  void RemoveObserver(FormObserver* o);
  void Notify(Control& c, Aspect a);

  // The clock that timers schedule their ticks on.
  void SetClock(const Clock* clock) { clock_ = clock; }
  const Clock* clock() const { return clock_; }

 private:
  friend class Control;
  void Register(Control* c);
  std::vector<Control*> controls_;
  std::map<std::string, Control*, std::less<>> by_name_;
  std::vector<FormObserver*> observers_;
  const Clock* clock_ = nullptr;

 public:
  // --- The window itself: caption is the window caption; the application title is kept apart.
  // The main window; its control name is "Form1".
  Group Form1Window{this, "Form1", "VRKTset"};
  std::string application_title = "VRKTset";
  int top = 200;
  int left = 200;

  // --- Page control and pages, in tab order.
  PageControl PageControl1{this, "PageControl1"};
  Page Emergency{this, "Emergency", "EMERGENCY"};
  Page Service{this, "Service", "SERVICE"};
  Page PhoneBook{this, "PhoneBook", "Phone Book"};
  Page Ports{this, "Ports", "Ports"};
  Page support{this, "support", "Support"};

  // --- EMERGENCY page.
  Edit MASTER1{this, "MASTER1"}, MASTER2{this, "MASTER2"}, MASTER3{this, "MASTER3"},
      MASTER4{this, "MASTER4"}, MASTER5{this, "MASTER5"}, MASTER6{this, "MASTER6"},
      MASTER7{this, "MASTER7"};
  Label LabelMaster1{this, "LabelMaster1", "MASTER1"},
      LabelMaster2{this, "LabelMaster2", "MASTER2"}, LabelMaster3{this, "LabelMaster3", "MASTER3"},
      LabelMaster4{this, "LabelMaster4", "MASTER4"}, LabelMaster5{this, "LabelMaster5", "MASTER5"},
      LabelMaster6{this, "LabelMaster6", "MASTER6"}, LabelMaster7{this, "LabelMaster7", "MASTER7"};
  ListControl TLtime{this, "TLtime", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}};
  ListControl BLtime{this, "BLtime", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}};
  ListControl BLbtime{
      this,
      "BLbtime",
      {"OFF", "01", "02", "03", "05", "10", "20", "30", "40", "50", "60", "70", "80", "90", "99"}};
  ListControl waiting{this, "waiting", {"10", "20", "30", "40", "50", "60", "70", "80", "90"}};
  CheckBox ECALL{this, "ECALL", "Emergency alarm mode"};
  TrackBar VolSpk{this, "VolSpk", 1, 7, 7};
  TrackBar VolMic{this, "VolMic", 1, 7, 7};
  Label LabelPushForActivate{this, "LabelPushForActivate", "Push for activate"};
  Label LabelSecTL{this, "LabelSecTL", "sec."};
  Label LabelPortCloseForActivate{this, "LabelPortCloseForActivate", "Port close for activate"};
  Label LabelSecBL{this, "LabelSecBL", "sec."};
  Label LabelTime{this, "LabelTime", "Time"};
  Label LabelSecBLb{this, "LabelSecBLb", "sec."};
  Label LabelWaitingForNext{this, "LabelWaitingForNext", "Waiting for next"};
  Label LabelSecWaiting{this, "LabelSecWaiting", "sec."};
  Label LabelEmergencyCall{this, "LabelEmergencyCall", "Emergency call"};
  Label LabelBlockingCall{this, "LabelBlockingCall", "Blocking emergency call"};
  Label LabelSeries{this, "LabelSeries", "Series of calling numbers"};
  Label LabelVolume{this, "LabelVolume", "Volume"};
  Label LabelSpk{this, "LabelSpk", "Spk"};
  Label LabelMic{this, "LabelMic", "Mic"};

  // --- SERVICE page.
  Edit TEST1{this, "TEST1"}, TEST2{this, "TEST2"}, TEST3{this, "TEST3"}, TEST4{this, "TEST4"},
      TEST5{this, "TEST5"}, TEST6{this, "TEST6"}, TEST7{this, "TEST7"}, TEST8{this, "TEST8"};
  Label LabelTest1{this, "LabelTest1", "TEST1"}, LabelTest2{this, "LabelTest2", "TEST2"},
      LabelTest3{this, "LabelTest3", "TEST3"}, LabelTest4{this, "LabelTest4", "TEST4"},
      LabelTest5{this, "LabelTest5", "TEST5"}, LabelTest6{this, "LabelTest6", "TEST6"},
      LabelTest7{this, "LabelTest7", "TEST7"}, LabelTest8{this, "LabelTest8", "TEST8"};
  ListControl Tperiod{this, "Tperiod", {"OFF", "1", "2", "3", "4", "5", "6", "7", "8", "9"}};
  ListControl TShift{this, "TShift", {"0", "2", "4", "6", "8", "10", "12", "14", "16", "18"}};
  CheckBox TestCall{this, "TestCall", "Test Call"};
  CheckBox ATest{this, "ATest", "Test Acustic path"};
  CheckBox TestSMS{this, "TestSMS", "SMS TEST"};
  Label LabelPeriode{this, "LabelPeriode", "Periode of test"};
  Label LabelDays{this, "LabelDays", "day(s)"};
  Label LabelShift{this, "LabelShift", "+ Shift"};
  Label LabelHours{this, "LabelHours", "hour(s)"};
  Label LabelRandomize{this, "LabelRandomize", "+ randomize of minutes via IMEI"};
  // Repeats the "Waiting for next" time with its unit ("30 sec.") on the Service page.
  Label Label34{this, "Label34", ""};

  // --- PhoneBook page.
  Grid PhoneBook1{this, "PhoneBook1"};
  Button LineIn{this, "LineIn", "Insert Line"};
  Button LineDel{this, "LineDel", "Delete Line"};
  // The Find Name group: FindN and Find.
  Group GroupBox6{this, "GroupBox6", "Find Name"};
  Edit FindN{this, "FindN"};
  Button Find{this, "Find", "Find"};
  // Read rows from, and write them to, the CSV and vCard files of spreadsheets and address books.
  Button BookImport{this, "BookImport", "Import"};
  Button BookExport{this, "BookExport", "Export"};

  // --- Ports page.
  RadioGroup Relay1{this, "Relay1", "Relay"};
  RadioButton RelSMS1{this, "RelSMS1", "SMS switch", &Relay1};
  RadioButton RelECALL{this, "RelECALL", "Emergency alarm mode", &Relay1};
  RadioButton RelCam1{this, "RelCam1", "camera", &Relay1};
  RadioButton RelRunning{this, "RelRunning", "running", &Relay1};
  RadioButton RelLi1{this, "RelLi1", "light", &Relay1};
  RadioButton RelBut1{this, "RelBut1", "button", &Relay1};
  RadioButton OKservice{this, "OKservice", "service OK", &Relay1};
  Edit RelTime1{this, "RelTime1"};
  Label LabelSwitchingTime{this, "LabelSwitchingTime", "switching time"};
  Label LabelSecRel{this, "LabelSecRel", "sec."};

  // Input IN1 of the VRKT unit (the DVG unit has three inputs in PortList instead).
  Group GroupBox9{this, "GroupBox9", "IN1"};
  Edit ALARMOFF{this, "ALARMOFF"};
  Edit ALARMON{this, "ALARMON"};
  Label LabelPortOpen9{this, "LabelPortOpen9", "SMS PORTOPEN"};
  Label LabelPortClose9{this, "LabelPortClose9", "SMS PORTCLOSE"};
  CheckBox ECALLmode{this, "ECALLmode", "Emergency alarm mode"};
  CheckBox ServiceMode{this, "ServiceMode", "service OK"};

  PageControl PortList{this, "PortList"};
  Page Input1{this, "Input1", "Input1"};
  Page Input2{this, "Input2", "Input2"};
  Page Input3{this, "Input3", "Input3"};
  Edit PORTOPEN1{this, "PORTOPEN1"}, PORTOPEN2{this, "PORTOPEN2"}, PORTOPEN3{this, "PORTOPEN3"};
  Edit PORTCLOSE1{this, "PORTCLOSE1"}, PORTCLOSE2{this, "PORTCLOSE2"},
      PORTCLOSE3{this, "PORTCLOSE3"};
  Edit TIN1{this, "TIN1"}, TIN2{this, "TIN2"}, TIN3{this, "TIN3"};
  Label LabelPortOpen1{this, "LabelPortOpen1", "SMS PORTOPEN"},
      LabelPortOpen2{this, "LabelPortOpen2", "SMS PORTOPEN"},
      LabelPortOpen3{this, "LabelPortOpen3", "SMS PORTOPEN"};
  Label LabelPortClose1{this, "LabelPortClose1", "SMS PORTCLOSE"},
      LabelPortClose2{this, "LabelPortClose2", "SMS PORTCLOSE"},
      LabelPortClose3{this, "LabelPortClose3", "SMS PORTCLOSE"};
  Label LabelWaitingTime1{this, "LabelWaitingTime1", "waiting time"},
      LabelWaitingTime2{this, "LabelWaitingTime2", "waiting time"},
      LabelWaitingTime3{this, "LabelWaitingTime3", "waiting time"};
  Label LabelSecTin1{this, "LabelSecTin1", "sec."}, LabelSecTin2{this, "LabelSecTin2", "sec."},
      LabelSecTin3{this, "LabelSecTin3", "sec."};
  CheckBox ECALLmode1{this, "ECALLmode1", "Emergency alarm mode"};
  CheckBox ServiceMode1{this, "ServiceMode1", "service OK"};

  // The supply-voltage alarm threshold (VoltInt.VoltFr volts).
  Group GroupBox10{this, "GroupBox10", "Power supply monitor"};
  Edit VoltInt{this, "VoltInt"};
  Edit VoltFr{this, "VoltFr"};
  Label LabelLowVoltage{this, "LabelLowVoltage", "Low supply voltage"};
  Label LabelDot{this, "LabelDot", "."};
  Label LabelV{this, "LabelV", "V"};

  // The DVG unit's data call settings: longest call time and baud rate.
  Group RS232{this, "RS232", "CSD (RS232)"};
  Edit Dtime{this, "Dtime"};
  ListControl Rate{this,
                   "Rate",
                   {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
                   /*editable=*/true};
  Label LabelMaxTime{this, "LabelMaxTime", "max. time"};
  Label LabelMin{this, "LabelMin", "min."};
  Label LabelBaudRate{this, "LabelBaudRate", "Baud rate"};
  Label LabelBd{this, "LabelBd", "Bd"};

  // --- Support page.
  // The Monitor group: the time-stamped serial traffic and its Save Log button.
  Group GroupBox7{this, "GroupBox7", "Monitor"};
  Memo Monitor{this, "Monitor"};
  // "Initialisation": sets up a new module once; shown only when the settings file asks for it.
  Button Inicializace{this, "Inicializace", "Inicializace"};
  Button SaveMonitor{this, "SaveMonitor", "Save Log"};
  Button IMEI{this, "IMEI", "IMEI"};
  // The PIN field's label.
  Label Label54{this, "Label54", "PIN"};
  Edit PIN{this, "PIN"};
  // The outcome of the last PIN command: yellow while awaited, green done, red refused.
  Shape PINOK{this, "PINOK", kYellow};
  Button UNPIN{this, "UNPIN", "UNPIN"};
  Button CodePIN{this, "CodePIN", "For Code PIN"};
  // The Loader group: the list of files and commands for the module, and its buttons.
  Group GroupBox8{this, "GroupBox8", "Loader"};
  Memo List{this, "List"};
  Button LoadList{this, "LoadList", "Load List"};
  Button ClrList{this, "ClrList", "Clear List"};
  Button Send{this, "Send", "Send"};
  // Stops a running loader list; shown and enabled only while a run is in progress.
  Button CancelSend{this, "CancelSend", "Cancel"};

  // --- Unit group.
  // The unit group, captioned with the product's name.
  Group GroupBox4{this, "GroupBox4", "GSM Vornacle"};
  // Starts the unit's application again (DTR off, then AT#REBOOT).
  Button RunGDI{this, "RunGDI", ""};
  // Stops the unit's application (DTR on) and reads the unit once it reports STOP.
  Button StopGDI{this, "StopGDI", ""};
  // Writes the window's settings and phone book to the unit.
  Button SaveGDI{this, "SaveGDI", "Save"};
  // Reads the settings and phone book from the unit.
  Button LoadGDI{this, "LoadGDI", "Load"};
  // Write-all sends only the SIM positions that differ (enabled once the unit has been read).
  CheckBox OnlyChanged{this, "OnlyChanged", "Only changed positions"};
  Bar PVoltage{this, "PVoltage", 70, 320, 70};
  Label Power{this, "Power", " - - - V"};
  // Marks beside the supply bar at 24 V and at 12 V.
  Shape Shape10{this, "Shape10", kRed};
  Shape Shape11{this, "Shape11", kRed};
  Group Battery{this, "Battery", "Battery"};
  Bar BVoltage{this, "BVoltage", 0, 420, 0};
  Label Voltage{this, "Voltage", " - - - - mV"};
  // Mark beside the battery bar at 3.6 V: below it the battery needs charging.
  Shape Shape12{this, "Shape12", kRed};

  // --- PC group.
  // The PC group: the parameter file's Save and Load.
  Group GroupBox5{this, "GroupBox5", "PC"};
  Button Save{this, "Save", "Save"};
  Button Load{this, "Load", "Load"};

  // --- Signal row and status bar.
  Button signal{this, "signal", "signal"};
  // Opens another serial port at any time: after a wrong choice or an adapter plugged in again,
  // nothing else would ask, as the buttons that talk to the unit stay disabled without CTS.
  Button PortSelect{this, "PortSelect", "Port..."};
  // The port in use, beside PortSelect.
  Label PortName{this, "PortName", "Port: none"};
  // The frame around the signal meter.
  Group Bevel1{this, "Bevel1", ""};
  // The signal meter: the last +CSQ level, 0 to 31.
  Bar Smeter{this, "Smeter", 0, 31, 0};
  // Blinks while bytes come from the unit.
  Shape RXDled{this, "RXDled", kLime};
  // "Progress": the progress bar of a read, a write or a loader run.
  Bar Prubeh{this, "Prubeh", 0, 100, 0};
  StatusBar StatusBar1{this,
                       "StatusBar1",
                       {280, 160, 80, 80, 60},
                       {"Operator:", " board voltage:", " SIM:", "  Ver: 5.4", " ---- Ver:"}};

  // --- Timers.
  // "Waiting": ticks each second while Stop or Run waits for the unit, moving Prubeh.
  Timer Cekani{this, "Cekani", 1000, true};
  // Puts RXDled out after the traffic.
  Timer LedTimer{this, "LedTimer", 2000, false};
  // The status poll while the unit is stopped: signal, then battery and supply.
  Timer Timer1_CSQstop{this, "Timer1_CSQstop", 10000, true};
  // Checks CTS and enables the buttons that talk to the unit only while it is on.
  Timer TimerCTS{this, "TimerCTS", 2000, true};
  // Follow the signal poll with the battery (VoltageTimer) and supply (PowerTimer) queries.
  Timer VoltageTimer{this, "VoltageTimer", 2000, false};
  Timer PowerTimer{this, "PowerTimer", 2000, false};
  // Gives up a loader step that gets no usable reply; the loader sets its interval per step.
  Timer LoaderDeadline{this, "LoaderDeadline", 20000, false};
  // Stops a transfer sequence whose unit has stopped answering.
  Timer TransferDeadline{this, "TransferDeadline", 5000, false};

  // --- Groups of controls addressed by number.
  std::array<Edit*, 7> Masters() {
    return {&MASTER1, &MASTER2, &MASTER3, &MASTER4, &MASTER5, &MASTER6, &MASTER7};
  }
  std::array<Edit*, 8> Tests() {
    return {&TEST1, &TEST2, &TEST3, &TEST4, &TEST5, &TEST6, &TEST7, &TEST8};
  }
  std::array<Edit*, 3> PortOpens() { return {&PORTOPEN1, &PORTOPEN2, &PORTOPEN3}; }
  std::array<Edit*, 3> PortCloses() { return {&PORTCLOSE1, &PORTCLOSE2, &PORTCLOSE3}; }
  std::array<Edit*, 3> Tins() { return {&TIN1, &TIN2, &TIN3}; }
};

}  // namespace vrkt
