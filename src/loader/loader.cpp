#include "loader/loader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "base/codepage.h"
#include "base/error.h"
#include "base/file_io.h"
#include "base/text.h"

namespace vrkt {

namespace fs = std::filesystem;

namespace {

constexpr char kListFilter[] = "info for download (*.ifo)|*.ifo";
constexpr char kCtrlZ = 0x1A;
constexpr int64_t kPieceBytes = 64000;

fs::path PathOfUtf8(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
  std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

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

Loader::Loader(Program& program) : p_(program) {
  p_.form.CancelSend.SetVisible(false);
  p_.form.CancelSend.SetEnabled(false);
}

void Loader::LoadListClick() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  FileDialogOptions options{kListFilter, "", ec ? std::string() : Utf8Of(cwd)};
  std::optional<std::string> chosen = p_.dialogs().OpenFile(options);
  if (!chosen) return;

  fs::path path = PathOfUtf8(*chosen);
  fs::path absolute = fs::absolute(path, ec);
  if (!ec) path = absolute;
  // Names in the list that hold no folder are meant to be next to the list file.
  if (path.has_parent_path()) fs::current_path(path.parent_path(), ec);

  std::ifstream in = OpenForReading(path);
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
  f.Prubeh.SetMax(static_cast<int>(std::min<size_t>(f.List.LineCount(), INT_MAX - 1)) + 1);
  p_.op.LoaderIndex = 0;
  f.Prubeh.SetVisible(true);
  f.Prubeh.SetPosition(1);
  p_.op.LoaderWaitingOk = true;
  // Pressing Send again starts over; a file wait left from the earlier run must not hold up
  // the first "OK" of this one.
  p_.op.AsendWaitingEvent = false;
  running_ = true;
  f.CancelSend.SetVisible(true);
  f.CancelSend.SetEnabled(true);

  f.TimerCTS.SetOn(false);
  try {
    LoaderStep(0);
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

void Loader::Step(int index) {
  const std::vector<std::string>& lines = p_.form.List.lines();
  std::string line =
      index >= 0 && static_cast<size_t>(index) < lines.size() ? lines[index] : std::string();
  OperationState& op = p_.op;

  auto send_command = [&](const std::string& command) {
    // A stray prompt during a command step must not send the previous step's file again.
    op.UploadData.clear();
    op.LoaderWaitingOk = true;
    p_.LogNote(command);
    p_.Send(command + "\r\n");
    StepSent(0);
  };

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
    op.LoaderWaitingOk = true;
    p_.Pause(p_.settings.WaitSer);
    std::string command = "AT#ASEND=" + name + "," + std::to_string(size);
    p_.LogNote(command);
    p_.Send(command + "\r\n");
    op.AsendWaitingEvent = true;
    StepSent(size);
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
      EndRun();
      return;
    }
    op.LoaderWaitingOk = true;
    std::string command = "AT#WSCRIPT=" + line + "," + std::to_string(size);
    p_.LogNote(command);
    p_.Send(command + "\r\n");
    StepSent(size);
  }
}

int64_t Loader::ReadScriptFile(int index) {
  const std::vector<std::string>& lines = p_.form.List.lines();
  if (index < 0 || static_cast<size_t>(index) > lines.size()) return 0;
  p_.op.UploadData.clear();
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
      p_.op.UploadData.assign(data->begin(), bad);
      p_.LogNote("Error in file: " + name);
      p_.form.Prubeh.SetVisible(false);
      return -1;
    }
  }
  p_.op.UploadData = std::move(*data);
  return static_cast<int64_t>(p_.op.UploadData.size());
}

int64_t Loader::ReadAsendFile(const std::string& name) {
  p_.op.UploadData.clear();
  if (name.empty()) return 0;
  std::ifstream in = OpenForReading(PathOfListName(name));
  std::optional<std::string> data = ReadOpened(in);
  if (!data) return 0;
  p_.op.UploadData = std::move(*data);
  return static_cast<int64_t>(p_.op.UploadData.size());
}

int64_t Loader::DeadlineMsFor(int64_t bytes) {
  int64_t ms = kDeadlineMarginMs;
  if (bytes > 0) {
    int64_t wire_ms = (bytes * 1000 + kLineBytesPerSecond - 1) / kLineBytesPerSecond;
    int64_t pieces = (bytes + kPieceBytes - 1) / kPieceBytes;
    // The prompt's pause before the data, then up to one drain wait of slack per piece.
    ms += wire_ms + 500 + pieces * 1000;
  }
  return std::min<int64_t>(ms, INT_MAX);
}

void Loader::StepSent(int64_t data_bytes) {
  running_ = true;
  Timer& t = p_.form.LoaderDeadline;
  t.SetOn(false);
  t.SetInterval(static_cast<int>(DeadlineMsFor(data_bytes)));
  t.SetOn(true);
}

void Loader::EndRun() {
  running_ = false;
  OperationState& op = p_.op;
  op.LoaderWaitingOk = false;
  op.AsendWaitingEvent = false;
  op.UploadData.clear();
  op.UploadData.shrink_to_fit();
  p_.form.LoaderDeadline.SetOn(false);
  p_.form.Prubeh.SetVisible(false);
  p_.form.CancelSend.SetVisible(false);
  p_.form.CancelSend.SetEnabled(false);
}

void Loader::CancelSendClick() {
  if (!running_) return;
  EndRun();
  p_.LogNote("Loader list cancelled");
}

void Loader::LoaderDeadlineTimer() {
  p_.form.LoaderDeadline.SetOn(false);
  if (!running_) return;
  int line_number = p_.op.LoaderIndex + 1;
  EndRun();
  p_.LogNote("Loader list stopped: no answer from the unit");
  p_.dialogs().ShowMessage("The unit did not answer line " + std::to_string(line_number) +
                           " of the loader list in time. The list was stopped.");
}

}  // namespace vrkt
