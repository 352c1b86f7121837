#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/serial_port.h"
#include "sim/sim_card.h"

namespace vrkt {

// How the module frames what it says. kPlain is the tidy framing most tests read byte for byte;
// kModule is what real modules do: every line framed as "\r\n" line "\r\n", the echo sent back
// byte by byte as the bytes arrive, and errors in verbose text ("+CME ERROR: invalid index").
enum class SimFraming { kPlain, kModule };

// How the module lays out the entries of a listing. kMixed goes through the forms real modules
// send, one after the other by position: the standard form, an empty field before the number
// (+CPBR: 22,,"+31234567",145,"Office"), an empty type (+CPBR: 5,"123",,"Ann") and a name without
// quotes (+CPBR: 7,"123",129,004A006F when the character set is UCS2).
enum class SimEntryForms { kStandard, kMixed };

// What the simulated unit is. Configure() puts the unit in its power-on state with these values.
struct SimConfig {
  SimFamily family = SimFamily::kVrkt;
  // A 4G unit reports "#APLAYEV: 0" instead of "STOP" when DTR stops its application, and
  // restarts the application on DTR off alone.
  bool is4g = false;
  // While the unit's application runs it owns the serial line: the module hears nothing and
  // answers nothing until the application has stopped. True: the module answers all the same.
  bool module_answers_while_app_runs = false;
  // False: the application is stopped at power-on of the simulation (a unit that an earlier
  // session left stopped). Raising DTR then brings no STOP: the application reports it only as
  // it stops.
  bool app_running_at_start = true;
  int capacity = 250;
  bool prefill = true;  // the SIM holds a configuration for `family` and some ordinary entries
  std::string version = "214";  // the VER entry
  bool pin_enabled = false;
  std::string pin = "1234";
  bool pin_entered = true;  // false: the SIM waits for its PIN
  int signal = 20;          // +CSQ level (99: not detectable); replies wander by up to 2
  int battery = 385;        // #CBC, in 10 mV
  int supply = 230;         // #ADC reading
  std::string operator_name = "SIMNET CZ";
  std::string imei = "356938035643809";
  uint32_t seed = 1;  // every random choice (delays, noise, splits) follows from it
  SimFraming framing = SimFraming::kPlain;
  bool echo = true;  // modules leave the factory with echo on
  // The SIM's limits, as its range reply reports them.
  int number_length = 40;
  int name_length = 16;
  // The range reply without parentheses around the positions ("+CPBR: 1-250,40,16").
  bool range_without_parens = false;
  // The range reply without the two lengths ("+CPBR: (1-250)"), as older modules give it.
  bool range_without_lengths = false;
  // What ends a listing instead of "OK" (some modules: "+CME ERROR: 21" once past the last used
  // position); empty for "OK".
  std::string listing_end;
  // Refusals as a bare "ERROR" instead of "+CME ERROR: n".
  bool plain_errors = false;
  SimEntryForms entry_forms = SimEntryForms::kStandard;
  // The module's character set (AT+CSCS): with "UCS2" or "HEX" every listed name is hexadecimal
  // text (four digits per character, or two per byte).
  std::string charset = "IRA";
  // Positions listed in a form nothing can split: a double quote inside the name.
  std::vector<int> unreadable_positions;
  // The range reply in place of the one the SIM's size gives ("+CPBR: (0-39),40,16"); empty for
  // that one.
  std::string range_reply;
  // AT+CPBS? answers "+CPBS: "SM",used,total"; false: it answers ERROR, as some modules do.
  bool storage_query = true;
  // Time the SIM takes to store or empty one position, on top of the module's answer time.
  int write_ms = 40;
  // How much of `write_ms` falls after the module's "OK": such a module acknowledges a write
  // before its SIM has stored it. A write that reaches the SIM while it is still storing the
  // previous one is acknowledged all the same and lost; a read waits until the SIM is free. 0: the
  // module answers once the position is stored, so no pace is too fast for it.
  int write_busy_after_ok_ms = 0;
};

// Faults for tests. They may be changed at any time and act on what happens from then on.
struct SimFaults {
  bool silent = false;                // the module answers nothing, echo included
  std::vector<std::string> error_on;  // commands that start with one of these answer "ERROR"
  double noise_rate = 0;              // chance that junk bytes (controls, 128..255) precede a reply
  bool split_replies = false;         // replies come in pieces cut at random bytes
  int extra_latency_ms = 0;           // slow replies
  int64_t cts_lost_after_bytes = -1;  // CTS drops once the unit has taken this many bytes
  bool never_stop = false;            // the application never reports that it stopped
  // A slow module: every answer starts this long after its command at the earliest (the SIM's own
  // reading and writing time included).
  int latency_ms = 0;
  // The module keeps its echo on whatever "ATE0" says.
  bool echo_stuck = false;
  // A listing that trickles out: milliseconds per byte of the phone-book listing (0: line rate).
  int listing_ms_per_byte = 0;
  // Line noise: the chance, per byte the module sends, that a junk byte (a control byte other
  // than carriage return, or 128..255) is slipped in before it. Follows `noise_seed` alone, so a
  // test's noise is the same whatever else the unit does at random.
  double line_noise = 0;
  uint32_t noise_seed = 1;
  // The module falls silent once it has taken this many command lines (-1: never).
  int silent_after_commands = -1;
  // SIM positions whose writes are answered "OK" but never stored (a SIM that fails quietly).
  std::vector<int> lost_writes;
  // Listing lines that the line damages, in the next `garbled_listings` listings (-1: in every
  // one), and of those in every `garbled_every`-th (2: the first, third, ...): positions whose
  // head ("+CPBR:") arrives garbled, whose name has one bit flipped ("MASTER1" as "MASTES1"),
  // or whose line is lost altogether.
  std::vector<int> garbled_heads;
  std::vector<int> garbled_names;
  std::vector<int> dropped_lines;
  int garbled_listings = 1;
  int garbled_every = 1;
  int garbled_from_listing = 0;  // the listings before this one (0: the first) are clean
  // SIM positions whose write is answered "OK" with a noise byte between its CR and LF.
  std::vector<int> noisy_ok_writes;
  // SIM positions whose write is stored but answered with an "OK" that noise made unreadable, for
  // the first `damaged_ok_times` writes of each (-1: every write). `damaged_ok_lost` destroys the
  // answer altogether (two noise bytes instead of "OK") rather than garbling it.
  std::vector<int> damaged_ok_writes;
  int damaged_ok_times = 1;
  bool damaged_ok_lost = false;
  // The listing never ends: its lines come again and again, without a final result.
  bool endless_listing = false;
  // The adapter is pulled out: every open connection to the unit has failed.
  bool unplugged = false;
  // The line drops once the unit has taken this many bytes (-1: never): the last byte still
  // arrives and is acted on, nothing more goes either way, and the PC's port reports the
  // connection lost (an unplugged adapter).
  int64_t line_lost_after_bytes = -1;
  // Someone else changes the SIM between a reading and the write that follows it: once this many
  // listings of SIM positions have been answered (0: never), position `change_position` takes
  // `change_entry`, or is emptied when the entry has neither number nor text.
  int change_after_listings = 0;
  int change_position = 0;
  SimEntry change_entry;
  // The status replies arrive with their values unreadable ("+CSQ: ab,0", "#CBC: 0,4x1").
  bool damaged_status = false;
  // Commands (as sent, "AT+CSQ") whose answer comes without its final result.
  std::vector<std::string> no_final_on;
};

// A command line as the unit took it off the wire, with the virtual time its last byte arrived.
struct SimCommand {
  int64_t at_ms;
  std::string line;
};

// One command as the wire saw it: when its first and last byte reached the unit, and when its
// final result ("OK", "ERROR", "+CME ERROR: ...", a data prompt) had reached the PC. A data block
// sent after a prompt is an exchange of its own, named "<data N bytes>". Times in microseconds.
struct SimExchange {
  std::string line;
  int64_t first_byte_us = 0;
  int64_t last_byte_us = 0;
  int64_t answered_us = -1;  // -1: no final result (yet)
  std::string final_result;
};

// The simulated unit: a GSM module with its SIM and the unit's application at the far end of a
// simulated serial line at 115200 baud (11,520 bytes/s each way, CTS flow control). It runs on
// the program's clock and works lazily: every call first catches up with the clock, so it behaves
// the same whoever drives time. All timing is deterministic for a given seed.
//
// Module: echo (ATE0/ATE1, on after a reboot), AT, +CSQ, #CBC, #ADC=1,2, +CGSN, +COPS?, +CREG?,
// +CPBR (range, single, span), +CPBW (write, delete), +CPIN, +CLCK="SC", +CPWD="SC", #WSCRIPT and
// #ASEND with their data prompts, #ESCRIPT, #DSCRIPT, #LSCRIPT, #REBOOT, +CMEE. Anything else
// answers "ERROR".
// Application: runs at power-on and owns the line meanwhile (the module is deaf and mute); DTR on
// stops it after 1.5..3 s and it reports "STOP"; DTR off and "AT#REBOOT" start it again (a 4G
// unit: DTR off alone).
class SimUnit {
 public:
  static constexpr int64_t kBytesPerSecond = kLineBytesPerSecond;

  explicit SimUnit(const Clock& clock);
  ~SimUnit();

  // Power-on state with this configuration; forgets queued bytes, scripts and faults.
  void Configure(const SimConfig& config);
  const SimConfig& config() const { return config_; }
  SimFaults& faults() { return faults_; }
  SimCard& card() { return card_; }

  // --- The wire, as the PC's port sees it.
  void Write(std::string_view bytes);
  size_t BytesToWrite();
  // Drops the bytes the PC has written that are not on the wire yet (the PC's output purge).
  void DiscardInput();
  size_t BytesAvailable();
  size_t Read(char* buffer, size_t max);
  bool Cts();
  void SetCts(bool on);
  void SetDtr(bool on);

  // Catches up with the clock: takes the bytes that have come off the wire, runs what is due.
  void Update();
  // Time of the next thing the unit will do, INT64_MAX when idle.
  int64_t NextEventMs() const;

  // Bytes the unit sends at the given time (default now), as an unsolicited report or as noise.
  void Inject(std::string bytes, int64_t at_ms = -1);

  // --- Observation for tests.
  const std::vector<SimCommand>& commands() const { return commands_; }
  // Command lines that went to the running application instead of the module, unanswered.
  const std::vector<SimCommand>& taken_by_application() const { return app_took_; }
  // Every command and data block with its timing on the wire, in the order they were taken.
  const std::vector<SimExchange>& transcript() const { return transcript_; }
  const std::map<std::string, std::string>& scripts() const { return scripts_; }
  const std::map<std::string, std::string>& files() const { return files_; }
  const std::string& run_script() const { return run_script_; }
  bool app_running() const { return app_running_; }
  bool echo() const { return echo_; }
  bool dtr() const { return dtr_; }
  // Bytes the unit has taken off the line so far.
  int64_t bytes_taken() const { return bytes_taken_; }
  // The line has dropped (SimFaults::line_lost_after_bytes).
  bool line_lost() const { return line_lost_; }

 private:
  struct Chunk {
    int64_t at_us;  // the earliest time it may start down the line
    std::string bytes;
    int answers = -1;  // the transcript entry whose final result ends in this chunk
  };
  enum class Data { kNone, kScript, kSendFile };

  int64_t NowUs() const { return clock_.NowMs() * 1000; }
  static int64_t WireUs(int64_t bytes) { return bytes * 1000000 / kBytesPerSecond; }
  int Random(int lo, int hi);  // inclusive
  void TakeByte(char c, int64_t t_us);
  void RunDueEvents(int64_t now_us);
  // What a queued chunk is: a report or echo, a piece of an answer, or the end of the answer to
  // transcript entry n (n >= 0).
  static constexpr int kNotAnAnswer = -1;
  static constexpr int kAnswerPiece = -2;
  // Queues bytes to go down the line from `at_us` on; returns the start time of the last piece.
  int64_t Emit(std::string bytes, int64_t at_us, bool raw = false, int answers = kNotAnAnswer);
  // The final result `result` of `command` (upper case), or none where the faults drop it.
  std::string Final(const std::string& command, const std::string& result) const;
  // The answer to the command being executed: info lines, then the final result. Answers leave
  // in the order the commands came, as a module works through one command at a time.
  void Reply(int64_t t_us, int latency_ms, const std::vector<std::string>& info,
             const std::string& final_text, int ms_per_byte = 0);
  // A "+CME ERROR: n" in the framing's words: the number, its text, or a bare "ERROR".
  std::string CmeError(int code) const;
  std::string AddNoise(std::string bytes);
  void BeginExchange(std::string line, int64_t first_us, int64_t last_us);
  void Execute(const std::string& line, int64_t t_us);
  void ExecutePhoneBook(const std::string& cmd, const std::string& args, int64_t t_us);
  void ExecutePin(const std::string& cmd, const std::string& args, int64_t t_us);
  void ExecuteScript(const std::string& cmd, const std::string& args, int64_t t_us);
  void FinishData(int64_t t_us);
  // The module leaves its data mode without storing anything (a restart, or the application
  // taking the line), and forgets a half-typed command.
  void DropPendingInput();
  void ScheduleStop(int64_t at_us);

  const Clock& clock_;
  SimConfig config_;
  SimFaults faults_;
  SimCard card_;
  std::mt19937 rng_;

  // PC -> unit.
  std::string wire_;
  size_t wire_pos_ = 0;
  int64_t burst_start_us_ = 0;
  int64_t burst_bytes_ = 0;
  int64_t bytes_taken_ = 0;
  bool cts_ = true;
  bool dtr_ = false;
  bool line_lost_ = false;

  // Unit -> PC.
  std::deque<Chunk> out_;
  int64_t tx_free_us_ = 0;
  std::deque<char> to_pc_;

  // Module.
  std::string line_;
  bool echo_ = true;
  Data data_ = Data::kNone;
  std::string data_name_;
  size_t data_left_ = 0;
  int64_t data_from_us_ = 0;  // the prompt's time: bytes before it are not data
  std::string data_buf_;
  int64_t busy_until_us_ = 0;            // rebooting: deaf and mute
  int64_t sim_storing_until_us_ = 0;     // the SIM still stores a write it has acknowledged
  std::map<int, int> damaged_oks_sent_;  // per position: writes answered with a damaged OK
  int listings_answered_ = 0;            // for SimFaults::change_after_listings
  std::map<std::string, std::string> scripts_;
  std::map<std::string, std::string> files_;
  std::string run_script_;
  std::vector<SimCommand> commands_;
  std::vector<SimExchange> transcript_;
  int current_exchange_ = -1;   // the command being executed, whose answer Reply sends
  int64_t line_first_us_ = -1;  // when the first byte of the line being collected came
  int64_t answer_free_us_ = 0;  // answers start no earlier: the last answer's last piece
  int64_t answer_head_us_ = 0;  // the first piece of that last answer
  std::mt19937 noise_rng_;
  int64_t noise_seed_used_ = -1;

  int listings_ = 0;  // phone-book listings answered so far

  // Application.
  bool app_running_ = true;
  std::string app_line_;  // what the running application is taking off the line
  std::vector<SimCommand> app_took_;
  int64_t stop_due_us_ = -1;
  int64_t app_start_due_us_ = -1;
};

// Commands that went out while an earlier one still awaited its final result, one text each
// ("AT+CSQ went out 120 ms after AT+CPBR=1,250, which had no answer yet"). A command that never
// got an answer counts as given up `give_up_ms` after its last byte reached the unit.
std::vector<std::string> CommandsSentWhileAnotherAwaited(const std::vector<SimExchange>& transcript,
                                                         int64_t give_up_ms);

// A port provider that offers only the simulated unit, under the name "sim". Tests and the
// window reach the unit through unit() (for example unit().Configure(...)).
class SimProvider : public PortProvider {
 public:
  explicit SimProvider(const Clock& clock);
  ~SimProvider() override;
  std::vector<PortInfo> ListPorts() override;
  std::unique_ptr<PortConnection> Open(const std::string& name) override;
  SimUnit& unit() { return *unit_; }
  const SimUnit& unit() const { return *unit_; }

 private:
  std::shared_ptr<SimUnit> unit_;
};

}  // namespace vrkt
