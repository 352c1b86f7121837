#include "link/command_link.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "base/serial_port.h"
#include "base/text.h"
#include "link/module_errors.h"
#include "link/receiver.h"
#include "link/transfer_wire.h"
#include "ui/controls.h"

namespace vrkt {

CommandLink::CommandLink(LinkEnv env) : env_(env) {
  env_.deadline.on_timer = [this] { DeadlineTimer(); };
}

std::string CommandLink::Plain(std::string_view command) {
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
    command.remove_suffix(1);
  return std::string(command);
}

// --- Jobs -----------------------------------------------------------------------------------

void CommandLink::Begin(LinkUser user, std::function<void()> start) {
  const uint64_t id = next_id_++;
  std::string tag = std::move(pending_tag_);
  pending_tag_.clear();
  if (running_ || starting_) {
    jobs_.push_back(Job{user, std::move(start), id, std::move(tag)});
    return;
  }
  running_ = true;
  running_user_ = user;
  running_id_ = id;
  try {
    start();
  } catch (...) {
    if (running_ && running_id_ == id) End(user);
    throw;
  }
}

void CommandLink::End(LinkUser user) {
  if (!running_ || running_user_ != user) return;
  const uint64_t ended = running_id_;
  running_ = false;
  running_id_ = 0;
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [ended](const Pending& p) { return p.job == ended; }),
               queue_.end());
  StartNextJob();
}

bool CommandLink::Has(LinkUser user) const {
  if (running_ && running_user_ == user) return true;
  return std::any_of(jobs_.begin(), jobs_.end(), [user](const Job& j) { return j.user == user; });
}

void CommandLink::DropWaiting(LinkUser user) {
  jobs_.erase(
      std::remove_if(jobs_.begin(), jobs_.end(), [user](const Job& j) { return j.user == user; }),
      jobs_.end());
}

void CommandLink::StartNextJob() {
  // A job that ends while the next one starts must not start a third one inside it.
  if (starting_) return;
  starting_ = true;
  while (!running_ && !jobs_.empty()) {
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
    running_user_ = job.user;
    running_id_ = job.id;
    try {
      job.start();
    } catch (const std::exception& e) {
      // Started late, from inside another handler: nobody up the stack knows this job.
      if (running_ && running_id_ == job.id) {
        running_ = false;
        running_id_ = 0;
      }
      env_.log.ShowError(e.what());
    }
  }
  starting_ = false;
}

// --- Commands -------------------------------------------------------------------------------

void CommandLink::Send(const std::string& command, Done done, int deadline_ms,
                       std::shared_ptr<const std::string> data) {
  Pending p{command,
            std::move(done),
            deadline_ms,
            running_ ? running_id_ : 0,
            running_ ? running_user_ : LinkUser::kButton,
            std::move(data)};
  if (in_flight_.active) CatchUp();
  if (in_flight_.active || !queue_.empty()) {
    queue_.push_back(std::move(p));
    return;
  }
  Transmit(std::move(p));
}

void CommandLink::SendAlone(LinkUser user, const std::string& command, Done done) {
  if (user == LinkUser::kPoll) {
    for (const Job& j : jobs_)
      if (j.user == LinkUser::kPoll && j.tag == command) return;  // it already waits its turn
  }
  pending_tag_ = command;
  Begin(user, [this, user, command, done = std::move(done)]() mutable {
    Send(command, [this, user, done = std::move(done)](const CommandResult& r) {
      End(user);
      if (done) done(r);
    });
  });
}

void CommandLink::Transmit(Pending p) {
  in_flight_.active = true;
  in_flight_.text = Plain(p.command);
  in_flight_.done = std::move(p.done);
  in_flight_.job = p.job;
  in_flight_.user = p.user;
  in_flight_.deadline_ms = p.deadline_ms;
  in_flight_.data = std::move(p.data);
  noise_seen_ = false;
  last_sent_ = in_flight_.text;
  try {
    env_.port.SendCommand(p.command);
  } catch (...) {
    in_flight_ = Outstanding{};
    env_.deadline.SetOn(false);
    throw;
  }
  ArmDeadline(p.deadline_ms);
}

void CommandLink::ArmDeadline(int deadline_ms) {
  // The deadline counts from the moment the command has left the port at line rate.
  const size_t free = env_.port.OutputFree();
  const int64_t queued = static_cast<int64_t>(
      free >= SerialPort::kOutputQueueSize ? 0 : SerialPort::kOutputQueueSize - free);
  const int64_t wire_ms = (queued * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond;
  const int64_t total = wire_ms + (deadline_ms > 0 ? deadline_ms : reply_deadline_ms_);
  Timer& t = env_.deadline;
  t.SetOn(false);
  t.SetInterval(static_cast<int>(std::min<int64_t>(total, INT_MAX)));
  t.SetOn(true);
}

void CommandLink::Finish(CommandResult result) {
  Done done = std::move(in_flight_.done);
  const uint64_t job = in_flight_.job;
  in_flight_ = Outstanding{};
  env_.deadline.SetOn(false);
  // The answer to a command of a job that has ended (cancelled, stopped) drives nothing.
  if (JobAlive(job) && done) {
    try {
      done(result);
    } catch (...) {
      SendNextQueued();
      throw;
    }
  }
  SendNextQueued();
}

void CommandLink::SendNextQueued() {
  while (!in_flight_.active && !queue_.empty()) {
    Pending p = std::move(queue_.front());
    queue_.pop_front();
    if (p.job != 0 && !(running_ && running_id_ == p.job)) continue;
    Done done = p.done;
    std::string command = p.command;
    try {
      Transmit(std::move(p));
    } catch (const std::exception& e) {
      // Sent late, from inside the receiver: the job hears of it through its answer.
      if (done) done(CommandResult{CommandResult::kNotSent, e.what(), Plain(command)});
    }
  }
}

void CommandLink::CatchUp() {
  if (!receiver_ || receiver_->receiving()) return;
  for (int rounds = 0; in_flight_.active && rounds < 64; ++rounds) {
    size_t n = env_.port.BytesAvailable();
    if (n == 0) return;
    receiver_->ApdComPort1TriggerAvail(static_cast<uint16_t>(std::min<size_t>(n, 65535)));
  }
}

// --- The receiver's side --------------------------------------------------------------------

LineKind CommandLink::Classify(std::string_view line) const {
  return ClassifyLine(line, last_sent_);
}

void CommandLink::Answered(const std::string& line, bool damaged) {
  if (!in_flight_.active) return;  // a stray final result answers nothing
  if (in_flight_.late) {
    // The answer to a command whose deadline has passed: it ends that command and drives
    // nothing.
    env_.log.LogNote("late answer to " + in_flight_.text);
    FreeAfterLate();
    return;
  }
  // An upload command is done only once its data has gone: an "OK" or a final damaged by noise
  // before its prompt answers nothing (a clean refusal does), and while the data goes out nothing
  // does. Taken for an answer, it would let the next command go just as the unit starts taking
  // bytes for the file.
  if (in_flight_.data && !in_flight_.data->empty() && !in_flight_.data_sent) {
    if (in_flight_.data_going) {
      env_.log.LogNote("\"" + Printable(line) + "\" while the data of " + in_flight_.text +
                       " goes out answers nothing");
      return;
    }
    if (damaged || line == "OK") {
      env_.log.LogNote("\"" + Printable(line) + "\" before the prompt of " + in_flight_.text +
                       " answers nothing");
      return;
    }
  }
  CommandResult r;
  r.kind = damaged        ? CommandResult::kDamaged
           : line == "OK" ? CommandResult::kOk
                          : CommandResult::kRefused;
  r.line = line;
  r.command = in_flight_.text;
  Finish(std::move(r));
}

void CommandLink::NoteNoise() {
  if (in_flight_.active) noise_seen_ = true;
}

void CommandLink::Progress() {
  if (in_flight_.active && !in_flight_.late) ArmDeadline(in_flight_.deadline_ms);
}

std::shared_ptr<const std::string> CommandLink::TakeDataForPrompt() {
  if (!InFlight() || !in_flight_.data || in_flight_.data->empty() || in_flight_.data_going)
    return nullptr;
  in_flight_.data_going = true;
  return in_flight_.data;
}

void CommandLink::DataSent() {
  if (in_flight_.active) in_flight_.data_sent = true;
  if (in_flight_.active && !in_flight_.late) ArmDeadline(in_flight_.deadline_ms);
}

void CommandLink::DeadlineTimer() {
  Timer& t = env_.deadline;
  t.SetOn(false);
  if (!in_flight_.active) return;
  if (in_flight_.late) {
    FreeAfterLate();  // the answer did not come late either
    return;
  }
  CommandResult r;
  r.command = in_flight_.text;
  // Lines came, but noise made them unreadable: the answer was there and could not be read.
  r.kind = noise_seen_ ? CommandResult::kDamaged : CommandResult::kNoAnswer;
  r.cts_off = env_.port.IsOpen() && !env_.port.IsCtsOn();
  env_.log.LogNote("no answer to " + r.command);
  // Held back by CTS, the command has not left: once given up, it must not go when CTS returns,
  // or a burst of stale commands would meet the unit.
  if (r.cts_off) env_.port.DiscardOutput();
  // The job hears of it now. The link stays taken a little longer, so that an answer arriving
  // just after the deadline ends this command and not the next one.
  Done done = std::move(in_flight_.done);
  const uint64_t job = in_flight_.job;
  in_flight_.done = {};
  in_flight_.late = true;
  t.SetInterval(kLateAnswerMs);
  t.SetOn(true);
  if (JobAlive(job) && done) done(r);
}

void CommandLink::CutAtStopReport() {
  if (!in_flight_.active) return;
  if (in_flight_.late) {
    FreeAfterLate();
    return;
  }
  env_.log.LogNote("no answer to " + in_flight_.text + ": the unit's application had the line");
  CommandResult r;
  r.kind = CommandResult::kNoAnswer;
  r.command = in_flight_.text;
  Finish(std::move(r));
}

void CommandLink::FreeAfterLate() {
  in_flight_ = Outstanding{};
  env_.deadline.SetOn(false);
  SendNextQueued();
}

void CommandLink::Abandon(const std::string& why) {
  // The unit is gone: what waits for its turn would only open the port dialog out of nowhere.
  queue_.clear();
  jobs_.clear();
  if (in_flight_.active) {
    CommandResult r{CommandResult::kNotSent, why, in_flight_.text};
    r.went_out = true;
    Finish(std::move(r));
  }
}

SequenceOutcome::Kind OutcomeOf(const CommandResult& r) {
  switch (r.kind) {
    case CommandResult::kRefused:
      return SequenceOutcome::kRefused;
    case CommandResult::kDamaged:
      return SequenceOutcome::kDamaged;
    case CommandResult::kNoAnswer:
      return r.cts_off ? SequenceOutcome::kPortLost : SequenceOutcome::kNoAnswer;
    case CommandResult::kNotSent:
      return SequenceOutcome::kPortLost;
    case CommandResult::kOk:
      break;
  }
  return SequenceOutcome::kDone;
}

std::string DescribeFailure(const CommandResult& r, int deadline_ms) {
  switch (r.kind) {
    case CommandResult::kOk:
      return {};
    case CommandResult::kRefused:
      return "the unit answered \"" + Printable(DescribeModuleErrors(r.line)) + "\"";
    case CommandResult::kDamaged:
      return "the unit's answer could not be read (line noise?)";
    case CommandResult::kNoAnswer:
      if (r.cts_off)
        return "the unit took no data: CTS stayed off (is the cable in and the unit powered?)";
      return "the unit gave no answer within " + std::to_string((deadline_ms + 999) / 1000) +
             " seconds";
    case CommandResult::kNotSent:
      return r.line;
  }
  return {};
}

}  // namespace vrkt
