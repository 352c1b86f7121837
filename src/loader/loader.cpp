#include "loader/loader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"
#include "link/module_errors.h"
#include "link/transfer_wire.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {

constexpr char kListFilter[] = "info for download (*.ifo)|*.ifo";
constexpr char kCtrlZ = 0x1A;
constexpr int64_t kPieceBytes = 64000;

// Names in the list are 8-bit text like every line of the list; the file system wants UTF-8.
fs::path PathOfListName(const std::string& name) { return PathOfUtf8(CodePageToUtf8(name)); }

// Opens a file for reading or throws with the system's reason; a missing file reads as the
// user expects it to.
std::ifstream OpenForReading(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) throw AppError("File not found");
  if (fs::is_directory(path, ec)) throw AppError("Access denied");
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw AppError(LastSystemError());
  return in;
}

// The whole file, or nothing when its size cannot be taken or a read falls short.
std::optional<std::string> ReadOpened(std::ifstream& in) {
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  in.seekg(0, std::ios::beg);
  std::string data(static_cast<size_t>(size), '\0');
  if (size > 0) in.read(data.data(), size);
  if (!in || in.gcount() != size) return std::nullopt;
  return data;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// List file lines

void ListFileLines::Feed(std::string_view bytes, std::vector<std::string>& out) {
  for (char c : bytes) {
    if (ended_) return;
    if (c == kCtrlZ) {
      ended_ = true;
    } else if (c == '\n') {
      out.push_back(std::move(line_));
      line_.clear();
      pending_ = false;
    } else if (c != '\r') {
      line_.push_back(c);
      pending_ = true;
    }
  }
}

void ListFileLines::Finish(std::vector<std::string>& out) {
  if (pending_) out.push_back(std::move(line_));
  line_.clear();
  pending_ = false;
}

// ---------------------------------------------------------------------------------------------
// Loader

Loader::Loader(UnitContext unit) : p_(unit) {
  p_.form.CancelSend.SetVisible(false);
  p_.form.CancelSend.SetEnabled(false);
}

void Loader::LoadListClick() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  FileDialogOptions options{kListFilter, "", ec ? std::string() : Utf8OfPath(cwd),
                            FileKind::kLoaderLists};
  std::optional<std::string> chosen = p_.dialogs().OpenFile(options);
  if (!chosen) return;

  fs::path path = PathOfUtf8(*chosen);
  fs::path absolute = fs::absolute(path, ec);
  if (!ec) path = absolute;
  // Names in the list that hold no folder are meant to be next to the list file.
  if (path.has_parent_path()) fs::current_path(path.parent_path(), ec);

  std::ifstream in;
  try {
    in = OpenForReading(path);
  } catch (const AppError& e) {
    // The list file is named: the user may have picked it in another folder than meant.
    throw AppError(std::string(e.what()) + ": " + *chosen);
  }
  ListFileLines splitter;
  std::vector<std::string> lines;
  char buffer[16384];
  while (!splitter.ended()) {
    in.read(buffer, sizeof buffer);
    std::streamsize got = in.gcount();
    if (got > 0) splitter.Feed(std::string_view(buffer, static_cast<size_t>(got)), lines);
    for (std::string& line : lines) p_.form.List.Append(std::move(line));
    lines.clear();
    if (in.bad()) throw AppError("Read error");
    if (!in) break;
  }
  splitter.Finish(lines);
  for (std::string& line : lines) p_.form.List.Append(std::move(line));
}

void Loader::ClrListClick() { p_.form.List.Clear(); }

void Loader::SendClick() {
  Form1& f = p_.form;
  // Pressing Send again starts over.
  if (running_) EndRun();
  f.Prubeh.SetMax(static_cast<int>(std::min<size_t>(f.List.LineCount(), INT_MAX - 1)) + 1);
  index_ = 0;
  f.Prubeh.SetVisible(true);
  f.Prubeh.SetPosition(1);
  send_waiting_event_ = false;
  running_ = true;
  outcome_ = SequenceOutcome{};
  sent_steps_ = 0;
  f.CancelSend.SetVisible(true);
  f.CancelSend.SetEnabled(true);

  f.TimerCTS.SetOn(false);
  try {
    // The list's first line waits its turn behind a poll or a read that is still out. A run
    // that was cancelled while it waited, or replaced by this one, is not waited for.
    p_.link.DropWaiting(LinkUser::kLoader);
    p_.link.Begin(LinkUser::kLoader, [this] {
      if (running_)
        LoaderStep(0);
      else
        p_.link.End(LinkUser::kLoader);  // nothing to send: the link must not stay taken
    });
  } catch (...) {
    f.TimerCTS.SetOn(true);
    throw;
  }
  f.TimerCTS.SetOn(true);
}

void Loader::LoaderStep(int index) {
  try {
    Step(index);
  } catch (...) {
    // Nothing was sent for this line: the run is over, and no later "OK" may pick it up.
    EndRun();
    throw;
  }
}

void Loader::SendStep(const std::string& command, std::shared_ptr<const std::string> data) {
  step_command_ = command;
  ++sent_steps_;
  p_.LogNote(command);
  const int64_t data_bytes = data ? static_cast<int64_t>(data->size()) : 0;
  p_.link.Send(
      command + "\r\n", [this](const CommandResult& r) { OnAnswer(r); },
      static_cast<int>(DeadlineMsFor(
          data_bytes, std::max<int64_t>(kDeadlineMarginMs, p_.link.reply_deadline_ms()))),
      std::move(data));
}

void Loader::Step(int index) {
  const std::vector<std::string>& lines = p_.form.List.lines();
  std::string line =
      index >= 0 && static_cast<size_t>(index) < lines.size() ? lines[index] : std::string();

  auto send_command = [&](const std::string& command) { SendStep(command); };

  if (Contains(line, "RUN:")) {
    send_command("AT#ESCRIPT=" + CutThrough(line, ":"));
  } else if (Contains(line, "ASEND:")) {
    std::string name = CutThrough(line, ":");
    int64_t size = ReadAsendFile(name);
    if (size <= 0) {
      if (!name.empty()) p_.LogNote("Nothing to send in file: " + line);
      EndRun();
      return;
    }
    p_.Pause(p_.settings.WaitSer);
    send_waiting_event_ = true;
    send_answered_ = false;
    send_event_seen_ = false;
    SendStep("AT#ASEND=" + name + "," + std::to_string(size),
             std::make_shared<const std::string>(std::move(upload_data_)));
  } else if (Contains(line, "SET:")) {
    send_command(CutThrough(line, ":"));
  } else if (Contains(line, "DEL:")) {
    send_command("AT#DSCRIPT=" + CutThrough(line, ":"));
  } else {
    int64_t size = ReadScriptFile(index);
    if (size <= 0) {
      // An empty line is the normal end of the list; an empty or unreadable file is not, and
      // the user should see why the run stopped there.
      if (size == 0 && !line.empty()) p_.LogNote("Nothing to send in file: " + line);
      if (line.empty())
        p_.LogNote("Loader list done: " + std::to_string(sent_steps_) +
                   (sent_steps_ == 1 ? " line sent." : " lines sent."));
      EndRun();
      return;
    }
    SendStep("AT#WSCRIPT=" + line + "," + std::to_string(size),
             std::make_shared<const std::string>(std::move(upload_data_)));
  }
}

std::string Loader::CurrentLine() const {
  return "line " + std::to_string(index_ + 1) + " (" + step_command_ + ")";
}

void Loader::OnAnswer(const CommandResult& r) {
  if (!running_) return;
  Form1& f = p_.form;
  switch (r.kind) {
    case CommandResult::kOk:
      break;
    case CommandResult::kRefused:
      StopRun(SequenceOutcome::kRefused, "The unit refused " + CurrentLine() + ": " +
                                             Printable(DescribeModuleErrors(r.line)) +
                                             ". The list was stopped.");
      return;
    case CommandResult::kDamaged:
      StopRun(SequenceOutcome::kDamaged, "The unit's answer to " + CurrentLine() +
                                             " could not be read (line noise?). The list was "
                                             "stopped.");
      return;
    case CommandResult::kNoAnswer:
      StopRun(OutcomeOf(r), "The unit did not answer line " + std::to_string(index_ + 1) +
                                " of the loader list in time. The list was stopped." +
                                (r.cts_off ? " CTS stayed off: is the cable in and the unit "
                                             "powered?"
                                           : ""));
      return;
    case CommandResult::kNotSent:
      StopRun(SequenceOutcome::kPortLost, r.line);
      return;
  }
  if (send_waiting_event_) {
    // The file is stored; its event says the module is done with it.
    send_answered_ = true;
    if (send_event_seen_) {
      AcknowledgeSendEvent();
    } else {
      Timer& t = f.LoaderDeadline;
      t.SetOn(false);
      t.SetInterval(static_cast<int>(DeadlineMsFor(0)));
      t.SetOn(true);
    }
    return;
  }
  ++index_;
  f.Prubeh.SetPosition(index_);
  p_.Pause(500);
  const std::string line = static_cast<size_t>(index_) < f.List.lines().size()
                               ? f.List.lines()[static_cast<size_t>(index_)]
                               : std::string();
  try {
    LoaderStep(index_);
  } catch (const std::exception& e) {
    // Shown as it stands in the window; the run's outcome names the line for a report.
    outcome_ = SequenceOutcome{SequenceOutcome::kFailed, e.what(),
                               "Line " + std::to_string(index_ + 1) + " of the loader list (" +
                                   line + "): " + e.what() + ". The list was stopped there."};
    throw;
  }
}

void Loader::SendEventCame() {
  if (!running_) {
    send_waiting_event_ = false;
    return;
  }
  send_event_seen_ = true;
  // An event ahead of the file's own "OK" waits for it: one command at a time.
  if (send_answered_) AcknowledgeSendEvent();
}

void Loader::AcknowledgeSendEvent() {
  send_waiting_event_ = false;
  p_.form.LoaderDeadline.SetOn(false);
  // The "OK" to this AT is the one that advances the loader.
  try {
    SendStep("AT", 0);
  } catch (const std::exception& e) {
    StopRun(SequenceOutcome::kPortLost, e.what());
  }
}

void Loader::UploadFailed(const std::string& why) {
  if (!running_) return;
  const bool cts_lost = p_.port().IsOpen() && !p_.port().IsCtsOn();
  StopRun(cts_lost ? SequenceOutcome::kPortLost : SequenceOutcome::kFailed, why);
}

int64_t Loader::ReadScriptFile(int index) {
  const std::vector<std::string>& lines = p_.form.List.lines();
  if (index < 0 || static_cast<size_t>(index) > lines.size()) return 0;
  upload_data_.clear();
  std::string name = static_cast<size_t>(index) < lines.size() ? lines[index] : std::string();
  if (name.empty()) {
    p_.form.Prubeh.SetVisible(false);
    return 0;
  }

  std::ifstream in = OpenForReading(PathOfListName(name));
  std::optional<std::string> data = ReadOpened(in);
  if (!data) {
    p_.form.Prubeh.SetVisible(false);
    return 0;
  }
  // Script text must be 7-bit: the module's script engine takes nothing else.
  if (EqualsNoCase(name.size() >= 4 ? std::string_view(name).substr(name.size() - 4) : "",
                   ".TXT")) {
    auto bad = std::find_if(data->begin(), data->end(),
                            [](char c) { return static_cast<unsigned char>(c) > 127; });
    if (bad != data->end()) {
      upload_data_.assign(data->begin(), bad);
      p_.LogNote("Error in file: " + name);
      p_.form.Prubeh.SetVisible(false);
      return -1;
    }
  }
  upload_data_ = std::move(*data);
  return static_cast<int64_t>(upload_data_.size());
}

int64_t Loader::ReadAsendFile(const std::string& name) {
  upload_data_.clear();
  if (name.empty()) return 0;
  std::ifstream in = OpenForReading(PathOfListName(name));
  std::optional<std::string> data = ReadOpened(in);
  if (!data) return 0;
  upload_data_ = std::move(*data);
  return static_cast<int64_t>(upload_data_.size());
}

int64_t Loader::DeadlineMsFor(int64_t bytes, int64_t margin_ms) {
  int64_t ms = margin_ms;
  if (bytes > 0) {
    int64_t wire_ms = (bytes * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond;
    int64_t pieces = (bytes + kPieceBytes - 1) / kPieceBytes;
    // The prompt's pause before the data, then up to one drain wait of slack per piece.
    ms += wire_ms + 500 + pieces * 1000;
  }
  return std::min<int64_t>(ms, INT_MAX);
}

void Loader::EndRun() {
  running_ = false;
  send_waiting_event_ = false;
  upload_data_.clear();
  upload_data_.shrink_to_fit();
  p_.form.LoaderDeadline.SetOn(false);
  p_.form.Prubeh.SetVisible(false);
  p_.form.CancelSend.SetVisible(false);
  p_.form.CancelSend.SetEnabled(false);
  if (outcome_.kind == SequenceOutcome::kNone) outcome_.kind = SequenceOutcome::kDone;
  p_.link.End(LinkUser::kLoader);
}

void Loader::StopRun(SequenceOutcome::Kind kind, const std::string& message) {
  outcome_ = SequenceOutcome{kind, message, message};
  EndRun();
  p_.LogNote("Loader list stopped: " + message);
  p_.dialogs().ShowMessage(message);
}

void Loader::CancelSendClick() {
  if (!running_) return;
  outcome_ = SequenceOutcome{SequenceOutcome::kFailed, "The loader list was cancelled.",
                             "The loader list was cancelled."};
  EndRun();
  p_.LogNote("Loader list cancelled");
}

void Loader::LoaderDeadlineTimer() {
  p_.form.LoaderDeadline.SetOn(false);
  if (!running_) return;
  StopRun(SequenceOutcome::kNoAnswer, "The unit did not answer line " + std::to_string(index_ + 1) +
                                          " of the loader list in time. The list was stopped.");
}

}  // namespace vrkt
