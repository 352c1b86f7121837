#include "random/session_runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "files/param_file.h"
#include "link/command_link.h"
#include "link/transfer_wire.h"
#include "params/entry_set.h"
#include "params/mapping.h"
#include "phonebook/phonebook.h"
#include "random/session_files.h"
#include "random/write_check.h"
#include "support/harness.h"
#include "support/session_checks.h"
#include "support/temp_dir.h"
#include "support/wire_checks.h"
#include "unit/status.h"
#include "unit/transfer.h"

namespace vrkt::testing {

namespace {

namespace fs = std::filesystem;

// The reply deadline of the sequences, plus the time a reply takes to come down the line.
constexpr int64_t kGiveUpMs = CommandLink::kReplyDeadlineMs + 1000;
// How long a job's first command may wait behind the commands of jobs before it.
constexpr int64_t kFirstCommandWaitMs = 30 * 1000;
// Left to itself, a session must be quiet again within this time.
constexpr int64_t kDrainLimitMs = 30 * 60 * 1000;

class Runner {
 public:
  Runner(const Session& session, const Invariants& checks)
      : session_(session), inv_(checks), h_(ProgramName(session.unit)) {
    old_cwd_ = fs::current_path();
    files_ = PrepareSessionFiles(dir_, session.unit.program);
    free_commands_ = files_.free_commands;
  }
  ~Runner() {
    std::error_code ec;
    fs::current_path(old_cwd_, ec);
  }

  SessionResult Run() {
    Start();
    for (size_t i = 0; i < session_.steps.size() && failure_.empty(); ++i) {
      step_index_ = static_cast<int>(i);
      const Step& s = session_.steps[i];
      const int64_t at = h_.clock.NowMs();
      const bool done = Apply(s);
      if (done && s.act != Act::kWait) ++stats_.steps_offered;
      steps_log_.push_back("  " + std::to_string(i + 1) + ". [" + std::to_string(at) + " ms] " +
                           Describe(s) + (done ? "" : "   (not offered: nothing happens)"));
      h_.dialogs.file_answers.clear();
      CheckAfterStep();
    }
    if (failure_.empty()) Drain();
    if (failure_.empty() && inv_.sim_from_sources) CheckSimSources();
    stats_.uploads = static_cast<int>(unit().scripts().size() + unit().files().size());
    stats_.commands = static_cast<int>(unit().commands().size());
    return {failure_.empty() ? std::string()
                             : "step " + std::to_string(step_index_ + 1) + ": " + failure_,
            Transcript(), stats_};
  }

 private:
  Program& p() { return *h_.program; }
  Form1& f() { return h_.program->form; }
  SimUnit& unit() { return h_.sim.unit(); }

  void Fail(const std::string& why) {
    if (failure_.empty()) failure_ = why;
  }

  // --- Start ---------------------------------------------------------------------------------

  void Start() {
    const UnitSpec& u = session_.unit;
    SimConfig c;
    c.family = u.program == 1 ? SimFamily::kDvg : SimFamily::kVrkt;
    c.is4g = u.program == 2;
    c.capacity = u.capacity;
    c.prefill = u.prefill;
    c.framing = u.module_framing ? SimFraming::kModule : SimFraming::kPlain;
    c.echo = u.echo;
    c.name_length = u.name_length;
    c.range_without_parens = u.range_without_parens;
    if (u.listing_ends_in_error) c.listing_end = "+CME ERROR: 21";
    c.plain_errors = u.plain_errors;
    c.pin_enabled = u.pin_enabled;
    c.pin = kSimPin;
    c.seed = u.seed;
    unit().Configure(c);
    names_ = {""};
    phones_ = {""};
    NoteSimContent();
    origin_names_ = names_;
    origin_phones_ = phones_;
    h_.Start();
    h_.RunFor(1000);
    step_index_ = -1;
    CheckAfterStep();
  }

  // --- Steps ---------------------------------------------------------------------------------

  // Whether the user can reach the control: it and every group and page around it are shown
  // and enabled.
  bool Offered(Control& c) { return UserCanReach(f(), c); }

  bool Press(Button& b) {
    if (!Offered(b)) return false;
    h_.Click(b);
    return true;
  }

  template <class T>
  T* Find(const std::string& name) {
    return dynamic_cast<T*>(f().FindControl(name));
  }

  int GridLine(int a) {
    const int rows = std::max(1, p().phonebook.RowCount());
    return 1 + (a % rows);
  }

  bool Apply(const Step& s) {
    switch (s.act) {
      case Act::kWait:
        h_.RunFor(std::max(1, s.a));
        return true;
      case Act::kStop:
      case Act::kRun:
        if (!Press(s.act == Act::kStop ? f().StopGDI : f().RunGDI)) return false;
        cekani_since_ = -1;  // a new wait begins, however long the last one ran
        return true;
      case Act::kLoadUnit:
        if (!Press(f().LoadGDI)) return false;
        cekani_since_ = -1;  // Load sets the waiting bar back to 0: the wait counts anew
        return true;
      case Act::kSaveUnit:
        return SaveUnit();
      case Act::kSignal:
        return Press(f().signal);
      case Act::kEdit: {
        const std::string& name = EditFields()[static_cast<size_t>(s.a) % EditFields().size()];
        Edit* e = Find<Edit>(name);
        if (!e || !Offered(*e)) return false;
        p().Run([&] { e->SetText(s.text); });
        origin_phones_.insert(e->text());  // as the field's filter left it
        if (name == "FindN") Press(f().Find);
        return true;
      }
      case Act::kPick: {
        ListControl* l =
            Find<ListControl>(PickLists()[static_cast<size_t>(s.a) % PickLists().size()]);
        if (!l || !Offered(*l)) return false;
        p().Run([&] { l->UserPick(s.b % static_cast<int>(l->items().size())); });
        return true;
      }
      case Act::kCheck: {
        CheckBox* c =
            Find<CheckBox>(CheckFields()[static_cast<size_t>(s.a) % CheckFields().size()]);
        if (!c || !Offered(*c)) return false;
        p().Run([&] { c->SetChecked(!c->checked()); });
        return true;
      }
      case Act::kRelay: {
        RadioButton* r =
            Find<RadioButton>(RelayButtons()[static_cast<size_t>(s.a) % RelayButtons().size()]);
        if (!r || !Offered(*r)) return false;
        p().Run([&] { r->Select(); });
        return true;
      }
      case Act::kSlide: {
        TrackBar& t = s.a % 2 ? f().VolMic : f().VolSpk;
        if (!Offered(t)) return false;
        p().Run([&] { t.SetPosition(1 + s.b % 7); });
        return true;
      }
      case Act::kGridSelect:
        if (!Offered(f().PhoneBook1)) return false;
        f().PhoneBook1.SetSelectedLine(GridLine(s.a));
        return true;
      case Act::kGridInsert:
        return Press(f().LineIn);
      case Act::kGridDelete:
        return Press(f().LineDel);
      case Act::kGridAppend:
        if (!Offered(f().PhoneBook1)) return false;
        p().Run([&] { p().phonebook.AppendRow(); });
        return true;
      case Act::kGridName:
      case Act::kGridPhone: {
        if (!Offered(f().PhoneBook1)) return false;
        const int line = GridLine(s.a);
        // A line break typed into a cell becomes a blank: a row is one line of the book.
        if (s.act == Act::kGridName) {
          names_.insert(OneLine(s.text));
          origin_names_.insert(OneLine(s.text));
          p().Run([&] { p().phonebook.SetName(line, s.text); });
        } else {
          phones_.insert(OneLine(s.text));
          origin_phones_.insert(OneLine(s.text));
          p().Run([&] { p().phonebook.SetPhone(line, s.text); });
        }
        return true;
      }
      case Act::kPcSave:
        return PcSave();
      case Act::kPcLoad:
        return PcLoad(s.a);
      case Act::kPin: {
        if (!Offered(f().PIN)) return false;
        p().Run([&] { f().PIN.SetText(s.text); });
        return Press(s.a % 2 ? f().CodePIN : f().UNPIN);
      }
      case Act::kLoaderRun: {
        if (!Offered(f().LoadList)) return false;
        Press(f().ClrList);
        h_.dialogs.file_answers.push_back(
            files_.loader_lists[static_cast<size_t>(s.a) % kLoaderLists]);
        Press(f().LoadList);
        return Press(f().Send);
      }
      case Act::kLoaderCancel:
        return Press(f().CancelSend);
      default:
        UnitAct(s);
        return true;
    }
  }

  void UnitAct(const Step& s) {
    SimFaults& faults = unit().faults();
    switch (s.act) {
      case Act::kLatency:
        faults.latency_ms = s.a;
        break;
      case Act::kListingSpeed:
        faults.listing_ms_per_byte = s.a;
        break;
      case Act::kNoise:
        faults.line_noise = s.a / 1000.0;
        if (s.a > 0) noisy_ = true;
        faults.noise_seed = session_.unit.seed + static_cast<uint32_t>(step_index_);
        break;
      case Act::kSilentAfter:
        // After no more commands is now: reports such as STOP stay away too.
        if (s.a == 0) faults.silent = true;
        faults.silent_after_commands = static_cast<int>(unit().commands().size()) + s.a;
        break;
      case Act::kErrorOn:
        faults.error_on = {ErrorTargets()[static_cast<size_t>(s.a) % ErrorTargets().size()]};
        error_armed_at_ = unit().transcript().size();
        break;
      case Act::kCtsLost:
        faults.cts_lost_after_bytes = BytesTaken() + s.a;
        cts_was_lost_ = true;
        break;
      case Act::kHeal:
        faults = SimFaults{};
        unit().SetCts(true);
        break;
      default:
        break;
    }
  }

  // What the unit has taken off the wire so far, counted from its record.
  int64_t BytesTaken() {
    int64_t n = 0;
    for (const SimExchange& e : unit().transcript()) {
      if (e.line.rfind("<data ", 0) == 0)
        n += std::atoll(e.line.c_str() + 6);
      else
        n += static_cast<int64_t>(e.line.size()) + 2;
    }
    return n;
  }

  bool SaveUnit() {
    if (!Offered(f().SaveGDI)) return false;
    const Card before = CardOf(unit().card());
    const size_t messages = h_.dialogs.messages.size();
    std::vector<ExpectedEntry> want = ExpectedSim(p());
    h_.Click(f().SaveGDI);
    if (p().op.WriteAllRunning) {
      write_ =
          WriteWatch{true, {before, std::move(want), messages}, p().op.WriteStep, h_.clock.NowMs()};
    } else if (inv_.write_success_matches && !SameCard(CardOf(unit().card()), before)) {
      Fail("a write that did not start changed the SIM");
    }
    return true;
  }

  bool PcSave() {
    if (!Offered(f().Save)) return false;
    const std::string path = dir_.File("saved" + std::to_string(saved_.size()) + "." +
                                       (session_.unit.program == 1 ? "dvg" : "vrk"));
    const size_t messages = h_.dialogs.messages.size();
    h_.dialogs.file_answers.push_back(path);
    h_.Click(f().Save);
    if (h_.dialogs.messages.size() == messages && fs::exists(path)) {
      saved_.push_back(path);
      ++stats_.files_saved;
      if (inv_.files_load_back) CheckFileLoadsBack(path);
    }
    return true;
  }

  bool PcLoad(int which) {
    if (!Offered(f().Load)) return false;
    std::vector<std::string> choices = saved_;
    for (const std::string& prepared : files_.parameter_files) choices.push_back(prepared);
    const std::string& path = choices[static_cast<size_t>(which) % choices.size()];
    for (const std::string& row : SplitTextLines(ReadBytes(path))) {
      names_.insert(std::string(RowName(row)));
      phones_.insert(std::string(RowPhone(row)));
      origin_names_.insert(std::string(RowName(row)));
      origin_phones_.insert(std::string(RowPhone(row)));
    }
    h_.dialogs.file_answers.push_back(path);
    h_.Click(f().Load);
    ++stats_.files_loaded;
    return true;
  }

  // --- Checks --------------------------------------------------------------------------------

  void NoteSimContent() {
    SimCard& card = unit().card();
    for (int i = 1; i <= card.capacity(); ++i) {
      if (const auto& e = card.At(i)) {
        names_.insert(e->text);
        phones_.insert(e->number);
      }
    }
  }

  void CheckAfterStep() {
    NoteSimContent();
    DisarmSpentError();
    if (inv_.commands_well_formed) CheckCommands();
    if (inv_.one_command_in_flight) CheckOneInFlight();
    if (inv_.uploads_intact) CheckUploads();
    // While a write runs, the SIM is half old, half new; what counts is what it leaves behind.
    if (write_.active && !p().op.WriteAllRunning) {
      write_.active = false;
      CheckFinishedWrite();
    }
    if (inv_.no_duplicate_reserved && !p().op.WriteAllRunning && !half_written_)
      CheckNoDuplicateReserved();
    if (inv_.rows_from_sources) CheckRows();
    if (inv_.sequences_end) CheckWaitsEnd();
  }

  // "ERROR to one command": once the unit has refused a command, it answers again.
  void DisarmSpentError() {
    if (unit().faults().error_on.empty()) return;
    const auto& t = unit().transcript();
    for (size_t i = error_armed_at_; i < t.size(); ++i) {
      if (t[i].final_result == "ERROR") {
        unit().faults().error_on.clear();
        return;
      }
    }
  }

  void CheckCommands() {
    const auto& t = unit().transcript();
    for (; checked_commands_ < t.size(); ++checked_commands_) {
      const std::string& line = t[checked_commands_].line;
      if (line.rfind("<data ", 0) == 0) continue;
      std::string why = CheckCommandLine(line, free_commands_);
      // CTS dropped in the middle of a command: the part that got through stays in the unit's
      // line buffer in front of the next command (a module answers that one "ERROR").
      for (size_t cut = 1; cts_was_lost_ && !why.empty() && cut < line.size(); ++cut)
        if (CheckCommandLine(line.substr(cut), free_commands_).empty()) why.clear();
      if (!why.empty()) return Fail("the program sent " + Quoted(line) + ": " + why);
    }
  }

  void CheckUploads() {
    std::string why = StoredFilesDifference(unit(), dir_.str());
    if (!why.empty()) Fail(why);
  }

  void CheckOneInFlight() {
    std::vector<std::string> overlaps =
        CommandsSentWhileAnotherAwaited(unit().transcript(), kGiveUpMs);
    // A command joined to the part of one cut by a CTS loss counts from the part's first byte.
    if (cts_was_lost_) {
      std::erase_if(overlaps, [&](const std::string& o) {
        const size_t after = o.find(" after ");
        const size_t end = o.rfind(", which had no answer yet");
        return after != std::string::npos && end != std::string::npos &&
               !CheckCommandLine(o.substr(after + 7, end - after - 7), free_commands_).empty();
      });
    }
    if (!overlaps.empty()) Fail("two commands in flight: " + overlaps.front());
  }

  void CheckNoDuplicateReserved() {
    std::map<std::string, int> seen;
    SimCard& card = unit().card();
    for (int i = 1; i <= card.capacity(); ++i) {
      const auto& e = card.At(i);
      if (!e || !FindReservedEntry(e->text)) continue;
      if (seen.count(e->text))
        return Fail("the SIM holds " + e->text + " twice, at positions " +
                    std::to_string(seen[e->text]) + " and " + std::to_string(i));
      seen[e->text] = i;
    }
  }

  // Bytes of 0x80 and above are letters of the SIM's code page in a name, so line noise of that
  // kind cannot be told from a name: with noise on, a row counts as known when it is known
  // without them.
  static std::string Low(std::string_view text) {
    std::string out;
    for (char c : text)
      if (static_cast<unsigned char>(c) < 0x80) out += c;
    return out;
  }
  bool Known(const std::set<std::string>& known, std::string_view text) const {
    if (known.count(std::string(text))) return true;
    if (!noisy_) return false;
    const std::string low = Low(text);
    for (const std::string& k : known)
      if (Low(k) == low) return true;
    return false;
  }

  // Values the program makes itself from the window's lists, checks and sliders.
  static bool Composite(const std::string& name) {
    return name == "PARVRKT" || name == "PARRL1" || name == "TINPUTS" || name == "SDATA" ||
           name == "VOLTAGE";
  }

  void CheckSimSources() {
    const SimCard& card = unit().card();
    for (int i = 1; i <= card.capacity(); ++i) {
      const auto& e = card.At(i);
      if (!e || Composite(e->text)) continue;
      const bool reserved = FindReservedEntry(e->text) != nullptr;
      if ((!reserved && !Known(origin_names_, e->text)) || !Known(origin_phones_, e->number))
        return Fail("the SIM ends with " + Quoted(e->text + "=" + e->number) + " at position " +
                    std::to_string(i) +
                    ", which was not on it at the start and came from no file and no user");
    }
  }

  void CheckRows() {
    for (const std::string& row : f().PhoneBook1.rows()) {
      if (!Known(names_, RowName(row)) || !Known(phones_, RowPhone(row)))
        return Fail("the grid shows the row " + Quoted(row) +
                    ", which neither the unit nor a file sent and the user did not type");
    }
  }

  void CheckWaitsEnd() {
    const int64_t now = h_.clock.NowMs();
    if (f().Cekani.is_enabled()) {
      if (cekani_since_ < 0) cekani_since_ = now;
      // The wait counts from when its command has gone, which may wait its turn behind the
      // loader, the PIN commands or a poll: those have deadlines of their own.
      if (now - cekani_since_ > StatusQueries::kWaitLimitS * 1000 + kFirstCommandWaitMs)
        Fail("the wait after Stop or Run has lasted " +
             std::to_string((now - cekani_since_) / 1000) + " s and goes on");
    } else {
      cekani_since_ = -1;
    }
    if (write_.active && p().op.WriteAllRunning) {
      // Waiting its turn behind another job (the PIN commands, say) is not waiting for the unit.
      if (p().op.WriteStep != write_.step || !p().link.Running(LinkUser::kWrite)) {
        write_.step = p().op.WriteStep;
        write_.step_at = now;
      } else if (now - write_.step_at >
                 kGiveUpMs + 1000 +
                     // The first command may wait behind commands of other jobs (polls, the
                     // loader), each with a deadline of its own.
                     (write_.step == 0 ? kFirstCommandWaitMs : 0)) {
        Fail("write-all has waited " + std::to_string(now - write_.step_at) + " ms at step " +
             std::to_string(write_.step) + " without a deadline");
      }
    }
  }

  void CheckFinishedWrite() {
    const WriteVerdict v =
        JudgeFinishedWrite(p(), unit().card(), write_.record, h_.dialogs.messages,
                           inv_.failed_write_message, inv_.write_success_matches);
    ++(v.stopped ? stats_.writes_stopped : stats_.writes_ok);
    // A write that stopped half-way leaves new entries before the stop and old ones after it,
    // and says so; a reserved name may then stand twice until the next write ends well.
    half_written_ = v.stopped;
    if (!v.failure.empty()) Fail(v.failure);
  }

  // A saved file, loaded into a window that never saw it, must save as the same file.
  void CheckFileLoadsBack(const std::string& path) {
    std::string why = ReloadDifference(ProgramName(session_.unit), ReadBytes(path));
    if (!why.empty()) Fail("a saved parameter file does not load back: " + why);
  }

  // Left to itself, the program must come to rest, give the window back and offer the unit
  // buttons exactly while the unit is stopped and present.
  void Drain() {
    step_index_ = static_cast<int>(session_.steps.size());
    const int64_t from = h_.clock.NowMs();
    const bool quiet = h_.RunUntil(
        [&] {
          CheckAfterStepQuietly();
          return StillBusy(p()).empty() || !failure_.empty();
        },
        kDrainLimitMs);
    steps_log_.push_back("  (then left alone for " + std::to_string(h_.clock.NowMs() - from) +
                         " ms)");
    if (!failure_.empty()) return;
    if (inv_.sequences_end && !quiet)
      return Fail("left alone for " + std::to_string(kDrainLimitMs / 60000) +
                  " minutes, the program still has: " + StillBusy(p()));
    CheckAfterStep();
    if (!inv_.buttons_follow_state || !quiet) return;
    unit().faults().cts_lost_after_bytes = -1;
    h_.RunFor(2100);
    // Stopped: DTR on and the unit seen stopped (it reported STOP or answered as a stopped unit
    // does); DTR alone proves nothing when nothing answers.
    const bool present = p().port().IsCtsOn(),
               stopped = p().port().Dtr() && p().status.unit_seen_stopped();
    for (Button* b : {&f().LoadGDI, &f().Send, &f().UNPIN, &f().CodePIN}) {
      if (b->enabled() != (present && stopped))
        return Fail(b->name() + (b->enabled() ? " is offered" : " is not offered") +
                    " while the unit is " + (present ? "" : "not ") + "present and " +
                    (stopped ? "stopped" : "running"));
    }
    if (f().RunGDI.visible() != stopped || f().StopGDI.visible() == stopped)
      Fail("Run and Stop do not show the unit's state");
  }

  // The checks that are cheap enough to run at every event while the session drains.
  void CheckAfterStepQuietly() {
    if (inv_.sequences_end) CheckWaitsEnd();
    if (write_.active && !p().op.WriteAllRunning) {
      write_.active = false;
      CheckFinishedWrite();
    }
  }

  // --- Transcript ----------------------------------------------------------------------------

  std::string Transcript() {
    const UnitSpec& u = session_.unit;
    std::string out = "Program " + std::string(ProgramName(u)) + ", unit with " +
                      (u.module_framing ? "module" : "plain") + " framing, echo " +
                      (u.echo ? "on" : "off") + ", SIM of " + std::to_string(u.capacity) +
                      " positions" + (u.prefill ? "" : " (blank)") + ", names up to " +
                      std::to_string(u.name_length) + (u.pin_enabled ? ", PIN on" : "") +
                      (u.range_without_parens ? ", range without parentheses" : "") +
                      (u.listing_ends_in_error ? ", listing ends in +CME ERROR: 21" : "") +
                      (u.plain_errors ? ", bare ERROR" : "") + ", seed " + std::to_string(u.seed) +
                      "\nChecked: " + inv_.Names() + "\n\nSteps:\n";
    for (const std::string& l : steps_log_) out += l + "\n";
    out += "\nWire (last 60 commands; times in ms: sent .. answered):\n";
    const auto& t = unit().transcript();
    for (size_t i = t.size() > 60 ? t.size() - 60 : 0; i < t.size(); ++i) {
      const SimExchange& e = t[i];
      out += "  " + std::to_string(e.first_byte_us / 1000) + " .. " +
             (e.answered_us < 0
                  ? std::string("(no answer)")
                  : std::to_string(e.answered_us / 1000) + " " + Quoted(e.final_result)) +
             "   " + Quoted(e.line) + "\n";
    }
    out += "\nMessages shown:\n";
    for (const std::string& m : h_.dialogs.messages) out += "  " + Quoted(m) + "\n";
    out += "\nMonitor (last 25 lines):\n";
    const auto& mon = f().Monitor.lines();
    for (size_t i = mon.size() > 25 ? mon.size() - 25 : 0; i < mon.size(); ++i)
      out += "  " + Quoted(mon[i]) + "\n";
    out += "\nAs a test:\n" + AsCode(session_);
    return out;
  }

  struct WriteWatch {
    bool active = false;
    WriteRecord record;
    int step = 0;
    int64_t step_at = 0;
  };

  Session session_;
  Invariants inv_;
  TempDir dir_;
  fs::path old_cwd_;
  Harness h_;
  SessionFiles files_;
  std::set<std::string> free_commands_;
  std::string failure_;
  int step_index_ = -1;
  std::vector<std::string> steps_log_;
  std::set<std::string> names_, phones_;
  // Names and values from the SIM at the start, files and the user: not from later readings.
  std::set<std::string> origin_names_, origin_phones_;
  std::vector<std::string> saved_;
  WriteWatch write_;
  SessionStats stats_;
  size_t checked_commands_ = 0;
  size_t error_armed_at_ = 0;
  bool half_written_ = false;
  bool noisy_ = false;
  bool cts_was_lost_ = false;  // line noise was switched on at some step
  int64_t cekani_since_ = -1;
};

}  // namespace

SessionResult RunSession(const Session& session, const Invariants& checks) {
  Runner runner(session, checks);
  return runner.Run();
}

}  // namespace vrkt::testing
