#include "app/program.h"

#include <climits>
#include <exception>

#include "app/code_page_choice.h"
#include "app/leave_guard.h"
#include "app/texts.h"
#include "base/codepage.h"
#include "base/error.h"
#include "base/profile.h"
#include "base/text.h"
#include "params/entry_set.h"
#include "params/mapping.h"

namespace vrkt {

Program::Program(const ProgramEnv& env)
    : clock_(*env.clock),
      dialogs_(*env.dialogs),
      port_(*env.ports, *env.dialogs),
      link(Link()),
      replies(link),
      receiver(Link(), link, replies, ReceiverHooks()),
      status(Unit(), [this] { transfer.StartStopRead(); }),
      phonebook(form.PhoneBook1, form.FindN),
      transfer(Unit(), status, phonebook),
      phonebook_files(phonebook, dialogs_, variant, op.sim_limits),
      parameters{form, variant, held, phonebook, dialogs_},
      files(parameters),
      loader(Unit()),
      pin(Unit()),
      read_settings_(env.read_settings),
      program_path_(env.program_path),
      settings_path_override_(env.settings_path),
      user_config_dir_(env.user_config_dir),
      code_page_override_(env.code_page),
      language_(env.language) {
  form.SetClock(&clock_);
  for (Timer* t : form.timers()) t->Restart();
  WireHandlers();
  WireReplies();
}

Program::~Program() = default;

LinkEnv Program::Link() { return LinkEnv{port_, clock_, form.TransferDeadline, *this}; }

UnitContext Program::Unit() {
  return UnitContext{form, op, variant, held, settings, link, port_, dialogs_, clock_, *this};
}

LineReceiver::Hooks Program::ReceiverHooks() {
  LineReceiver::Hooks hooks;
  // RXDled blinks with the traffic; LedTimer puts it out at its first tick.
  hooks.bytes_came = [this] {
    form.RXDled.SetVisible(!form.RXDled.visible());
    // Switching on a running timer does not restart it: the indicator goes dark at the first
    // tick however much traffic follows.
    form.LedTimer.SetOn(true);
  };
  hooks.data_going = [this] { form.RXDled.SetVisible(!form.RXDled.visible()); };
  hooks.upload_failed = [this](const std::string& why) {
    if (!loader.running()) return false;
    loader.UploadFailed(why);
    return true;
  };
  return hooks;
}

void Program::WireReplies() {
  using R = ReplyRouter;
  replies.OnEcho([this](const std::string& line) { pin.NoteEcho(line); });
  replies.OnFinal([this](const std::string& line) { pin.NoteReply(line); });
  // While the SIM is listed, the listing accounts for every line that comes.
  replies.Add("listing", R::Any(), [this](std::string& line, bool noisy) {
    return transfer.TakeListingLine(line, noisy);
  });
  replies.Add(
      "stop report",
      [this](std::string_view line) {
        return line == "STOP" || (line == "#APLAYEV: 0" && form.StopGDI.down());
      },
      R::Always([this](std::string& line) { status.OnStopReport(line); }));
  replies.Add(
      "file event",
      [this](std::string_view line) {
        return loader.waiting_for_send_event() && Contains(line, "#ASENDEV:");
      },
      R::Always([this](std::string&) { loader.SendEventCame(); }));
  // The module registered on the network: it needs a moment before the next command.
  replies.Add(
      "registered", [](std::string_view l) { return l == "+CREG: 0,1" || l == "+CREG: 0,5"; },
      R::Always([this](std::string&) { clock_.Pause(200); }));
  replies.Add("battery", R::Has("#CBC:"),
              R::Always([this](std::string& line) { status.ShowBattery(line); }));
  replies.Add("supply", R::Has("#ADC:"),
              R::Always([this](std::string& line) { status.ShowSupply(line); }));
  replies.Add("signal", R::Has("+CSQ:"),
              R::Always([this](std::string& line) { status.ShowSignal(line); }));
  // The operator, the SIM's size or an entry, for the read that asked for it.
  replies.Add("read", R::Any(),
              [this](std::string& line, bool noisy) { return transfer.TakeReadLine(line, noisy); });
  // Nobody asked: neither a size nor an entry that the unit sends unasked is taken.
  replies.Add("unasked entry", R::Has("+CPBR"), R::Always([](std::string&) {}));
  replies.Add("operator", R::Has("+COPS"),
              R::Always([this](std::string& line) { status.ShowOperator(line); }));
  replies.Add("PIN echo", R::HasAny({"+CLCK=\"SC\",", "+CPWD=\"SC\","}),
              R::Always([this](std::string& line) { pin.NoteEcho(line); }));
  // A listed message may quote any text, "ERROR" included; it says nothing about the PIN.
  replies.Add("message", R::Has("+CMGL"), R::Always([](std::string&) {}));
  replies.Add("PIN answer", R::Any(),
              R::Always([this](std::string& line) { pin.NoteReply(line); }));
}

void Program::WireHandlers() {
  form.Cekani.on_timer = [this] { status.CekaniTimer(); };
  form.LedTimer.on_timer = [this] {
    form.RXDled.SetVisible(false);
    form.LedTimer.SetOn(false);
  };
  form.Timer1_CSQstop.on_timer = [this] { status.Timer1_CSQstopTimer(); };
  form.TimerCTS.on_timer = [this] { status.TimerCTSTimer(); };
  form.VoltageTimer.on_timer = [this] { status.VoltageTimerTimer(); };
  form.PowerTimer.on_timer = [this] { status.PowerTimerTimer(); };

  form.signal.on_click = [this] { status.signalClick(); };
  form.Voltage.on_click = [this] { status.VoltageClick(); };
  form.Power.on_click = [this] { status.PowerClick(); };
  form.IMEI.on_click = [this] { status.IMEI1Click(); };
  form.Inicializace.on_click = [this] { status.InicializaceClick(); };
  form.StopGDI.on_click = [this] { status.StopGDIClick(); };
  form.RunGDI.on_click = [this] { status.RunGDIClick(); };
  form.SaveGDI.on_click = [this] { transfer.SaveGDIClick(); };
  form.LoadGDI.on_click = [this] { transfer.LoadGDIClick(); };
  form.Save.on_click = [this] { files.SaveClick(); };
  form.Load.on_click = [this] { files.LoadClick(); };
  form.SaveMonitor.on_click = [this] { files.SaveMonitorClick(); };
  form.LineIn.on_click = [this] { phonebook.LineInClick(); };
  form.LineDel.on_click = [this] { phonebook.LineDelClick(); };
  form.Find.on_click = [this] { phonebook.FindClick(); };
  form.BookImport.on_click = [this] { phonebook_files.ImportClick(); };
  form.BookExport.on_click = [this] { phonebook_files.ExportClick(); };
  form.LoadList.on_click = [this] { loader.LoadListClick(); };
  form.ClrList.on_click = [this] { loader.ClrListClick(); };
  form.Send.on_click = [this] { loader.SendClick(); };
  form.CancelSend.on_click = [this] { loader.CancelSendClick(); };
  form.LoaderDeadline.on_timer = [this] { loader.LoaderDeadlineTimer(); };
  form.UNPIN.on_click = [this] { pin.UNPINClick(); };
  form.PortSelect.on_click = [this] { PortSelectClick(); };
  form.CodePIN.on_click = [this] { pin.CodePINClick(); };
}

void Program::Run(const std::function<void()>& handler) {
  if (depth_ > 0) {
    handler();
    return;
  }
  ++depth_;
  try {
    handler();
  } catch (const std::exception& e) {
    --depth_;
    dialogs_.ShowError(e.what());
    return;
  }
  --depth_;
}

void Program::FormCreate() {
  // The variant, from the program's own file name, and the controls it shows.
  variant = VariantFromFileName(FileNameOf(program_path_));
  form.application_title = "VRKTset";
  if (variant.named && variant.IsVrkt()) {
    form.GroupBox9.SetVisible(true);
    form.PortList.SetVisible(false);
    form.RS232.SetVisible(false);
  } else if (variant.IsDvg()) {
    form.Form1Window.SetCaption("DVG 1C Set");
    form.application_title = "DVG 1C Set";
    form.GroupBox9.SetVisible(false);
    form.PortList.SetVisible(true);
    form.RS232.SetVisible(true);
    form.OKservice.SetVisible(false);
  }
  InstallFieldRules(form, variant);

  // The settings file: window position, port, pacing and the interface texts.
  settings.settings_location = settings_path_override_.empty()
                                   ? LocateSettingsFile(program_path_, user_config_dir_)
                                   : SettingsLocation{settings_path_override_, {}};
  settings.settings_path = settings.settings_location.path;
  ProfileFile profile(settings.settings_path);
  if (read_settings_) LoadSettingsFile(settings.settings_location, profile);
  ApplyCodePage(profile);
  form.top = static_cast<int>(profile.ReadInteger("Form", "Top", 200));
  form.left = static_cast<int>(profile.ReadInteger("Form", "Left", 200));
  settings.Port = static_cast<int>(profile.ReadInteger("Form", "Port", 0));
  settings.LastPort = profile.ReadString("Form", "LastPort", "");
  settings.WaitSer = static_cast<int>(profile.ReadInteger("Form", "WaitSer", 1000));
  settings.Inicializace = profile.ReadBool("Form", "Inicializace", false);
  form.Inicializace.SetVisible(settings.Inicializace);
  form.OnlyChanged.SetChecked(profile.ReadBool("Form", "OnlyChanged", false));
  form.OnlyChanged.SetEnabled(false);
  ApplyInterfaceTexts(*this, profile);
  dialogs_.Read(profile);
  port_.SetPreferredPorts(settings.Port != 0 ? std::to_string(settings.Port) : std::string(),
                          settings.LastPort);

  // The chains idle, the unit's buttons and gauges at rest.
  op.ResetForStartup();
  receiver.ClearLine();
  form.SaveGDI.SetEnabled(false);
  form.Cekani.SetOn(false);
  form.Timer1_CSQstop.SetOn(false);
  form.BVoltage.SetPosition(300);
  form.BVoltage.SetMin(300);
  form.PVoltage.SetMin(70);
  form.PVoltage.SetPosition(70);

  // The greeting: the first command opens the port; a failure skips the rest.
  Run([this] {
    link.Begin(LinkUser::kStartup, [this] {
      link.Send("ATE0\r\n", [this](const CommandResult& r) {
        link.End(LinkUser::kStartup);
        status.NoteGreeting(r);
      });
    });
    port_.SetDtr(false);
    clock_.Pause(200);
    SetStartupHeldValues(held);
  });
  CheckPortHealth();
}

void Program::ApplyCodePage(ProfileFile& profile) {
  // Left as it is unless something asks for one: without a choice it is the system's already.
  const std::string configured = profile.ReadString("Form", "CodePage", "");
  int from_settings = 0;
  if (!configured.empty()) {
    try {
      from_settings = ParseCodePage(configured);
    } catch (const AppError& e) {
      dialogs_.ShowError(settings.settings_path + ": CodePage: " + e.what());
    }
  }
  if (code_page_override_ == 0 && from_settings == 0 && language_.empty()) return;
  SetActiveCodePage(ChooseCodePage(code_page_override_, from_settings, language_));
}

bool Program::FormClose() {
  port_.Close();
  if (!read_settings_) return true;
  // The whole file is built in memory and replaces the old one in one step: a failed write
  // leaves the old file as it was, and the program still ends after the message.
  // Port, WaitSer and Inicializace are never written; they keep what the file holds. LastPort
  // and the folders of the file dialogs are written only when chosen this run.
  try {
    ProfileFile profile(settings.settings_path);
    LoadSettingsFile(settings.settings_location, profile);
    PrepareSettingsFolder(settings.settings_location);
    profile.WriteInteger("Form", "Top", form.top);
    profile.WriteInteger("Form", "Left", form.left);
    WriteInterfaceTexts(*this, profile);
    // Written once it was ever checked: a file that never had the key stays as it was.
    if (form.OnlyChanged.checked() || profile.ReadString("Form", "OnlyChanged", "-") != "-")
      profile.WriteInteger("Form", "OnlyChanged", form.OnlyChanged.checked() ? 1 : 0);
    if (port_.chosen_this_run()) profile.WriteString("Form", "LastPort", port_.last_port());
    dialogs_.Write(profile);
    profile.Commit();
  } catch (const std::exception& e) {
    dialogs_.ShowError(e.what());
    return false;
  }
  return true;
}

bool Program::WritingToUnit() const { return op.WriteAllRunning || loader.running(); }

bool Program::MayClose() { return !WritingToUnit() || dialogs_.Confirm(kCloseWhileWriting); }

void Program::ApdComPort1TriggerAvail(uint16_t count) {
  Run([&] { receiver.ApdComPort1TriggerAvail(count); });
}

void Program::Service() {
  if (busy()) return;
  CheckPortHealth();
  if (port_change_after_run_ && RunSequenceEnded(*this)) {
    port_change_after_run_ = false;
    Run([this] { PortSelectClick(); });
  }
  size_t n = port_.BytesAvailable();
  if (n > 0) ApdComPort1TriggerAvail(static_cast<uint16_t>(n > 65535 ? 65535 : n));
  int64_t now = clock_.NowMs();
  for (Timer* t : form.timers()) {
    if (t->is_enabled() && t->due_ms() <= now) Run([t] { t->Fire(); });
  }
}

int64_t Program::NextTimerDue() const {
  int64_t next = INT64_MAX;
  for (Timer* t : form.timers())
    if (t->is_enabled() && t->due_ms() < next) next = t->due_ms();
  return next;
}

void Program::CheckPortHealth() {
  std::string name = port_.port_name();
  std::string why = port_.CheckFailure();
  form.PortName.SetCaption(settings.PortCaption + ": " +
                           (port_.IsOpen() ? port_.port_name() : settings.NoPortCaption));
  if (why.empty()) return;
  const std::string message = "The serial port " + name + " was closed: " + why;
  // Whatever waited for the unit's answer will not get it.
  Run([&] { link.Abandon(message); });
  ClearUnitDisplays(*this);
  dialogs_.ShowError(message);
}

void Program::PortSelectClick() {
  if (WritingToUnit() || transfer.ReadRunning())
    throw AppError("The port cannot be changed while the unit is being read or written.");
  switch (DecidePortChange(*this)) {
    case LeaveChoice::kStay:
      return;
    case LeaveChoice::kStartThenLeave:
      // The port dialog comes once the restart command has gone out on the old port.
      StartBeforeLeaving(*this);
      port_change_after_run_ = true;
      return;
    case LeaveChoice::kLeave:
      break;
  }
  bool opened = false;
  try {
    opened = port_.ChooseAnother();
  } catch (const AppError&) {
    link.Abandon("The serial port was closed.");
    ClearUnitDisplays(*this);
    CheckPortHealth();
    throw;
  }
  CheckPortHealth();
  if (!opened) return;
  ClearUnitDisplays(*this);
  // An answer still awaited came from the old port; the unit on the new one is greeted as at
  // start-up.
  link.Abandon("The serial port was changed.");
  status.ForgetUnit();
  link.Begin(LinkUser::kStartup, [this] {
    link.Send("ATE0\r\n", [this](const CommandResult& r) {
      link.End(LinkUser::kStartup);
      status.NoteGreeting(r);
    });
  });
  port_.SetDtr(false);
  clock_.Pause(200);
}

void Program::LogReceived(const std::string& line) {
  // The empty line between a reply's framing carriage returns says nothing: the Monitor (and so
  // the saved log) keeps one entry per line the unit sent.
  if (line.empty()) return;
  // Built by appending: one allocation per line, and GCC 12 at -O3 mistakes the chained
  // operator+ for an overlapping copy (-Wrestrict).
  std::string entry;
  const std::string time = clock_.TimeOfDay();
  entry.reserve(time.size() + 5 + line.size());
  entry.append("[").append(time).append("]   ").append(line);
  form.Monitor.Append(std::move(entry));
}

void Program::LogNote(const std::string& note) { form.Monitor.Append(note); }

}  // namespace vrkt
