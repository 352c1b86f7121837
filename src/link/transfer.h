#pragma once

#include <string>
#include <vector>

namespace vrkt {

class Program;

// Write-all and read-all of the whole parameter set and phone book.
//
// Both sequences are driven by the dispatcher: each command goes out when the line answering the
// previous one arrives. On top of that chain this class keeps a deadline (the TransferDeadline
// timer): a sequence that gets no reply it can use within kReplyDeadlineMs stops, says why in the
// Monitor and in a message, and gives the window back. Only a reply that moves the sequence on
// restarts the deadline; unsolicited lines such as "+CREG" do not.
class Transfer {
 public:
  static constexpr int kReplyDeadlineMs = 5000;

  explicit Transfer(Program& program);

  void SaveGDIClick();
  void LoadGDIClick();
  // The dispatcher calls these: each "OK" while write-all runs, and each phone-book entry line.
  void WriteAllStep();
  void SortEntry(const std::string& line);
  // The dispatcher calls this once it has answered the unit's stop report with "ATE0": the read
  // that the stop report starts is followed from here on, under the same deadline as Load's.
  void StopReadStarted();
  // The dispatcher shows every line here before its own rules run. Lets the sequences follow the
  // read chain, notice an "ERROR" answer and keep their deadline; never sends anything.
  void ObserveLine(const std::string& line);

  // Writes one entry at NextSimPosition, or sends "AT\r\n" when the name or value is empty.
  void WriteSimEntry(const std::string& name, const std::string& value);
  void DisableForTransfer();
  void EnableAfterTransfer();

  // Tick of the TransferDeadline timer: the running sequence has waited too long.
  void TransferDeadlineTimer();

  // Whether a read (started by Load or by the unit's stop report) is being followed.
  bool ReadRunning() const { return read_phase_ != ReadPhase::kIdle; }

 private:
  // kStopEcho: "ATE0" went out after the stop report; its "OK" sends the operator query.
  // kRangeOk: the capacity line has come and its own "OK" is still to follow; the entries
  // request is already out by then.
  enum class ReadPhase { kIdle, kStopEcho, kOperator, kRange, kRangeOk, kEntries };

  // Write-all.
  void RunWriteStep();
  void WriteReservedStep(int step);
  void WriteBookLine(int r);
  void DeleteNextPosition();
  void FinishWrite();
  void StopWrite(const std::string& why, bool pending_refused);
  std::string WrittenSoFar(bool pending_refused) const;
  std::string LeftoverReport(bool sim_full) const;
  void CheckRowsForWire();

  // Read-all.
  void BeginRead(ReadPhase phase);
  void EndRead();
  void StopRead(const std::string& why);
  void PlaceEntry(const std::string& name, const std::string& number);

  void ArmDeadline();
  void DisarmDeadline();

  Program& p_;

  // Write-all bookkeeping: the position of the command still waiting for its "OK" (0 when that
  // command writes no position) and the highest position the unit has confirmed.
  int pending_position_ = 0;
  std::string pending_entry_;
  int confirmed_position_ = 0;
  // Grid lines whose text must not reach the wire, found when the write starts.
  std::vector<int> unsafe_lines_;
  std::vector<std::string> unsafe_reports_;
  // Reserved entries whose value held bytes that cannot be sent.
  std::vector<std::string> refused_entries_;

  ReadPhase read_phase_ = ReadPhase::kIdle;
  int entries_read_ = 0;
};

}  // namespace vrkt
