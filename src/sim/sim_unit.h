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
#include "link/serial_port.h"
#include "sim/sim_card.h"

namespace vrkt {

// What the simulated unit is. Configure() puts the unit in its power-on state with these values.
struct SimConfig {
  SimFamily family = SimFamily::kVrkt;
  // A 4G unit reports "#APLAYEV: 0" instead of "STOP" when DTR stops its application, and
  // restarts the application on DTR off alone.
  bool is4g = false;
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
  uint32_t seed = 1;        // every random choice (delays, noise, splits) follows from it
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
};

// A command line as the unit took it off the wire, with the virtual time its last byte arrived.
struct SimCommand {
  int64_t at_ms;
  std::string line;
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
// Application: runs at power-on; DTR on stops it after 1.5..3 s and it reports "STOP"; DTR off
// and "AT#REBOOT" start it again (a 4G unit: DTR off alone).
class SimUnit {
 public:
  static constexpr int64_t kBytesPerSecond = 11520;

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
  const std::map<std::string, std::string>& scripts() const { return scripts_; }
  const std::map<std::string, std::string>& files() const { return files_; }
  const std::string& run_script() const { return run_script_; }
  bool app_running() const { return app_running_; }
  bool echo() const { return echo_; }
  bool dtr() const { return dtr_; }

 private:
  struct Chunk {
    int64_t at_us;  // the earliest time it may start down the line
    std::string bytes;
  };
  enum class Data { kNone, kScript, kSendFile };

  int64_t NowUs() const { return clock_.NowMs() * 1000; }
  static int64_t WireUs(int64_t bytes) { return bytes * 1000000 / kBytesPerSecond; }
  int Random(int lo, int hi);  // inclusive
  void TakeByte(char c, int64_t t_us);
  void RunDueEvents(int64_t now_us);
  void Emit(std::string bytes, int64_t at_us, bool raw = false);
  void Reply(int64_t t_us, int latency_ms, const std::vector<std::string>& info,
             const std::string& final_text);
  void Execute(const std::string& line, int64_t t_us);
  void ExecutePhoneBook(const std::string& cmd, const std::string& args, int64_t t_us);
  void ExecutePin(const std::string& cmd, const std::string& args, int64_t t_us);
  void ExecuteScript(const std::string& cmd, const std::string& args, int64_t t_us);
  void FinishData(int64_t t_us);
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
  int64_t busy_until_us_ = 0;  // rebooting: deaf and mute
  std::map<std::string, std::string> scripts_;
  std::map<std::string, std::string> files_;
  std::string run_script_;
  std::vector<SimCommand> commands_;

  // Application.
  bool app_running_ = true;
  int64_t stop_due_us_ = -1;
  int64_t app_start_due_us_ = -1;
};

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
