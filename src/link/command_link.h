#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/final_result.h"
#include "link/link_env.h"

namespace vrkt {

class LineReceiver;

// Who a job on the link belongs to.
enum class LinkUser { kStartup, kButton, kPoll, kRead, kWrite, kLoader, kPin, kRun };

// How a command ended.
struct CommandResult {
  enum Kind {
    kOk,        // "OK"
    kRefused,   // "ERROR", "+CME ERROR: ...", "+CMS ERROR: ..."
    kDamaged,   // a final result that line noise made unreadable
    kNoAnswer,  // nothing final within the deadline
    kNotSent,   // the port could not take it; `line` says why
  };
  Kind kind = kOk;
  std::string line;      // the final result as received; empty for kNoAnswer
  std::string command;   // the command, without its line end
  bool cts_off = false;  // kNoAnswer while the unit held CTS off: the command never went out
  // kNotSent: the port failed after the command had left it, so the unit may have acted on it.
  bool went_out = false;
  bool ok() const { return kind == kOk; }
};

// How a sequence (a read, a write-all, the loader's run) ended, for a caller that reports on it
// (the command line).
struct SequenceOutcome {
  enum Kind {
    kNone,
    kDone,
    kRefused,     // the unit refused a command
    kNoAnswer,    // a command got no answer in time
    kDamaged,     // line noise made an answer unreadable
    kPortLost,    // the port failed, or CTS stayed off
    kNotStarted,  // refused before it began (no read yet, settings without a value)
    kRejected,    // refused before it began: entries the unit cannot store
    kFailed,      // anything else (a file that cannot be read)
  };
  Kind kind = kNone;
  std::string message;  // the message shown; empty for kDone without one
  // What went wrong, in words about the unit alone (the message may go on about the window).
  std::string reason;
};
// The outcome a failed command gives its sequence.
SequenceOutcome::Kind OutcomeOf(const CommandResult& result);

// The one command in flight. A unit answers one command at a time, so the program sends the next
// command only once the last one has its final result ("OK", "ERROR", "+CME ERROR: ...") or its
// reply deadline has passed; a final result belongs to that command alone, and the module's echo
// of it is never taken for a reply.
//
// Work on the link comes in jobs: a read of the SIM, a write-all, the loader's run, the PIN
// commands, one poll or one button's command. Jobs take turns: a job that falls due while another
// runs waits until that one has ended, so a poll never lands inside a read or a write. Within a
// job, a command sent while the previous one still waits goes out the moment that one is answered.
//
// On a healthy unit nothing changes on the wire: every sequence already waits for the answer to
// each command before it sends the next, and so do the pauses between them.
class CommandLink {
 public:
  // Default reply deadline; the command line may set another.
  static constexpr int kReplyDeadlineMs = 5000;
  // After a reply deadline has passed, the link stays taken this long: an answer that comes just
  // late ends the command it belongs to, not the next one.
  static constexpr int kLateAnswerMs = 1000;

  using Done = std::function<void(const CommandResult&)>;

  // Takes the ticks of `env.deadline`.
  explicit CommandLink(LinkEnv env);
  // The receiver that reads the port: a command waiting for its answer lets it take what the
  // unit has already sent (CatchUp).
  void AttachReceiver(LineReceiver* receiver) { receiver_ = receiver; }

  // --- Jobs.
  // Runs `start` as the job of `user`: at once when no job runs, otherwise once the jobs before it
  // have ended. A `start` that throws ends its job and passes the error on.
  void Begin(LinkUser user, std::function<void()> start);
  // Ends the running job of `user` (nothing when another runs): what it still has queued is
  // dropped, and the next job starts. A command of it that is still in flight keeps the link busy
  // until its final result or deadline, but its answer drives nothing any more.
  void End(LinkUser user);
  // Whether a job of `user` runs or waits its turn.
  bool Has(LinkUser user) const;
  bool Running(LinkUser user) const { return running_ && running_user_ == user; }
  // Drops the jobs of `user` that wait their turn.
  void DropWaiting(LinkUser user);

  // --- Commands. `command` carries its own "\r\n".
  // Sends a command of the running job, or queues it behind the command in flight. `done` runs at
  // its final result or deadline; `deadline_ms` 0 means the reply deadline.
  // An upload command (AT#WSCRIPT, AT#ASEND) carries the data its prompt releases, so that the
  // prompt gets this command's data whatever another run has loaded since.
  void Send(const std::string& command, Done done = {}, int deadline_ms = 0,
            std::shared_ptr<const std::string> data = nullptr);
  // One command as a job of its own (a button, a poll). A poll that already waits its turn is not
  // queued twice.
  void SendAlone(LinkUser user, const std::string& command, Done done = {});

  // Takes what the unit has already sent, so that an answer waiting in the port ends the command
  // in flight now (a click that decides on that answer after its pause). Not from inside the
  // receiver.
  void Settle() { CatchUp(); }

  // --- The receiver's side.
  LineKind Classify(std::string_view line) const;
  // A final result (kFinal or kDamagedFinal) has come: ends the command in flight.
  void Answered(const std::string& line, bool damaged);
  // A reply that moves the command in flight on (an entry of a long listing): its deadline
  // starts again.
  void Progress();
  // A line with line noise in it came: should the deadline pass, the answer was there but could
  // not be read.
  void NoteNoise();
  // The prompt came: the data of the upload command in flight, once (null for any other command
  // and for a second prompt). Until it has all gone the unit takes bytes, and a final result
  // meanwhile is none of its own.
  std::shared_ptr<const std::string> TakeDataForPrompt();
  // Data that follows a prompt went out: the deadline makes room for its time on the wire.
  void DataSent();
  // The unit's application reported that it stopped: the command in flight went to the
  // application, not the module, and no answer will come. It ends now as unanswered, without its
  // deadline or the late-answer wait.
  void CutAtStopReport();
  // Tick of the deadline timer.
  void DeadlineTimer();
  // The port failed or closed: the command in flight ends with `why`; nothing queued goes, and
  // the jobs that wait their turn are dropped.
  void Abandon(const std::string& why);

  // A command waits for its answer (not one whose deadline has passed).
  bool InFlight() const { return in_flight_.active && !in_flight_.late; }
  const std::string& command_in_flight() const { return in_flight_.text; }
  LinkUser user_in_flight() const { return in_flight_.user; }
  int reply_deadline_ms() const { return reply_deadline_ms_; }
  void set_reply_deadline_ms(int ms) { reply_deadline_ms_ = ms > 0 ? ms : kReplyDeadlineMs; }

  // The command text without its line end, as an echo or a message shows it.
  static std::string Plain(std::string_view command);

 private:
  struct Pending {
    std::string command;
    Done done;
    int deadline_ms = 0;
    uint64_t job = 0;
    LinkUser user = LinkUser::kButton;
    std::shared_ptr<const std::string> data;
  };
  struct Outstanding {
    bool active = false;
    std::string text;  // without line end
    Done done;
    uint64_t job = 0;
    LinkUser user = LinkUser::kButton;
    int deadline_ms = 0;
    bool late = false;  // its deadline has passed; the link waits kLateAnswerMs for the answer
    std::shared_ptr<const std::string> data;  // of an upload command
    bool data_going = false;                  // its prompt came: the data is going out
    bool data_sent = false;                   // all of its data has gone
  };
  struct Job {
    LinkUser user;
    std::function<void()> start;
    uint64_t id;
    std::string tag;  // the command of a one-command job
  };

  void Transmit(Pending p);
  void ArmDeadline(int deadline_ms);
  void Finish(CommandResult result);
  // Whether the job a command belongs to still runs (0: a command of no job).
  bool JobAlive(uint64_t job) const { return job == 0 || (running_ && running_id_ == job); }
  // The late answer came, or its time is over: the next command may go.
  void FreeAfterLate();
  void SendNextQueued();
  void StartNextJob();
  // Reads what the unit has already sent, so that an answer waiting in the port ends the command
  // in flight before the next one goes out. Not from inside the receiver.
  void CatchUp();

  LinkEnv env_;
  LineReceiver* receiver_ = nullptr;
  Outstanding in_flight_;
  std::string last_sent_;  // the last command line sent, for telling its echo
  std::deque<Pending> queue_;
  std::deque<Job> jobs_;
  bool running_ = false;
  LinkUser running_user_ = LinkUser::kButton;
  uint64_t running_id_ = 0;
  uint64_t next_id_ = 1;
  int reply_deadline_ms_ = kReplyDeadlineMs;
  bool starting_ = false;
  bool noise_seen_ = false;
  std::string pending_tag_;  // handed from SendAlone to Begin
};

// Why a command failed, for a message: "the unit answered \"ERROR\"", "the unit gave no answer
// within 5 seconds", ... Empty for a success.
std::string DescribeFailure(const CommandResult& result, int deadline_ms);

}  // namespace vrkt
