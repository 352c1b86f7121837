#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/command_link.h"
#include "unit/unit_context.h"

namespace vrkt {

// The loader list: script files, files and commands sent to the module step by step. Send runs
// the first line; every later line goes once the module has answered the one before.
class Loader {
 public:
  // What a step may take beyond the time its data needs on the wire: the module's own work
  // (storing a script, answering) and the pacing pauses.
  static constexpr int64_t kDeadlineMarginMs = 20000;

  explicit Loader(UnitContext unit);
  void LoadListClick();
  void ClrListClick();
  void SendClick();
  void LoaderStep(int index);
  // Stops a running list; the flags end clear so no later "OK" can advance it.
  void CancelSendClick();
  // The file sent with "AT#ASEND=" has its event (the unit sent "#ASENDEV:").
  void SendEventCame();
  // Whether a file sent with "AT#ASEND=" waits for its "#ASENDEV:" event.
  bool waiting_for_send_event() const { return send_waiting_event_; }
  // Sending a file's data failed (the unit stopped taking data): the run ends with `why`.
  void UploadFailed(const std::string& why);
  // The file sent with "AT#ASEND=" got no event in time: the run ends with a message.
  void LoaderDeadlineTimer();
  // How the last run ended.
  const SequenceOutcome& last_outcome() const { return outcome_; }

  // Reads the file named by list line `index` into upload_data(). Returns its size, 0 when there is
  // no line or reading failed, -1 when a ".TXT" file holds a byte above 127. Throws AppError when
  // the file cannot be opened.
  int64_t ReadScriptFile(int index);
  // Reads the named file into upload_data(); any byte is accepted. Returns its size, or 0 when the
  // name is empty or reading failed. Throws AppError when the file cannot be opened.
  int64_t ReadAsendFile(const std::string& name);

  bool running() const { return running_; }
  // The data of the file last read, for the upload command that sends it.
  const std::string& upload_data() const { return upload_data_; }
  // The list line being sent (0 = the first).
  int line_index() const { return index_; }
  // How long a step that sends `bytes` of data may wait for its last reply: the data's time on
  // the wire and `margin_ms` for the module's own work.
  static int64_t DeadlineMsFor(int64_t bytes, int64_t margin_ms = kDeadlineMarginMs);

 private:
  void Step(int index);
  // Sends one list step; an upload step carries the data its prompt releases.
  void SendStep(const std::string& command, std::shared_ptr<const std::string> data = nullptr);
  void OnAnswer(const CommandResult& r);
  void AcknowledgeSendEvent();
  // Ends the run: clears the loader's flags and data, hides the progress and the Cancel button.
  void EndRun();
  // Ends the run with a message.
  void StopRun(SequenceOutcome::Kind kind, const std::string& message);
  // The list line being sent, for messages: "line 3 (AT#ESCRIPT=a.py)".
  std::string CurrentLine() const;

  UnitContext p_;
  bool running_ = false;
  int index_ = 0;                    // the list line being sent
  bool send_waiting_event_ = false;  // an "AT#ASEND=" file waits for its event
  std::string upload_data_;          // the file last read
  bool send_answered_ = false;       // the "AT#ASEND=" command has its "OK"
  bool send_event_seen_ = false;     // its "#ASENDEV:" came (possibly before the "OK")
  std::string step_command_;
  int sent_steps_ = 0;  // list lines sent this run
  SequenceOutcome outcome_;
};

// Cuts a list file into lines: a line feed ends a line, a carriage return just before it belongs
// to the line end, any other carriage return is dropped, Ctrl-Z ends the file, and a last line
// without a line end counts.
class ListFileLines {
 public:
  // Feeds the next bytes of the file; complete lines are added to `out`.
  void Feed(std::string_view bytes, std::vector<std::string>& out);
  // The end of the file: a pending last line is added to `out`.
  void Finish(std::vector<std::string>& out);
  // True once Ctrl-Z has been read: the rest of the file is ignored.
  bool ended() const { return ended_; }

 private:
  std::string line_;
  bool pending_ = false;
  bool ended_ = false;
};

}  // namespace vrkt
