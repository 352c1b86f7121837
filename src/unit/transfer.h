#pragma once

#include <set>
#include <string>
#include <vector>

#include "files/entry_compare.h"
#include "link/command_link.h"
#include "link/transfer_wire.h"
#include "unit/changed_positions.h"
#include "unit/unit_context.h"

namespace vrkt {

class Form1;
class PhoneBookEditor;
class StatusQueries;
struct HeldValues;

// A listed entry that no form could split: its position and the unit's exact line.
struct UnreadableEntry {
  int position = 0;
  std::string line;
  friend bool operator==(const UnreadableEntry&, const UnreadableEntry&) = default;
};

// What the last read of the whole SIM brought in.
struct SimReading {
  bool complete = false;  // the listing ended normally and every line of it could be read
  int capacity = 0;
  SimLimits limits;                  // as the range reply gave them
  std::vector<ListedEntry> entries;  // in the order the unit listed them
  // Entries listed in a form that cannot be read; they stay on the SIM as they are.
  std::vector<UnreadableEntry> unreadable;
  std::string charset;  // the module's character set when it had to be asked; empty otherwise
};

// Time a slow module may take per SIM position of a listing, on top of the reply deadline.
inline constexpr int kListingMsPerPosition = 100;

// Write-all and read-all of the whole parameter set and phone book.
//
// Both are jobs on the command link: each command goes out once the previous one has its final
// result, and each final result drives only the sequence whose command it answers. A command that
// gets no usable final result within the reply deadline ends its sequence with a message, and the
// window is given back.
//
// A read collects what the unit lists and puts it into the window only once the listing has
// ended cleanly: a read that stops half-way, or whose listing line noise has damaged, leaves the
// window as it was.
class Transfer {
 public:
  // The displays of `status` show the operator and the SIM's size a read brings; `phonebook`
  // holds the rows that are read and written.
  Transfer(UnitContext unit, StatusQueries& status, PhoneBookEditor& phonebook);

  void SaveGDIClick();
  void LoadGDIClick();
  // The unit reported STOP (after the status display's pause): the read that the report starts.
  void StartStopRead();
  // The reply routing offers every line that is no final result and no echo: the operator, the
  // SIM's size or an entry, while the read's command that asked for it is in flight. Returns
  // whether the read took it.
  bool TakeReadLine(const std::string& line, bool noisy);
  // While the read's listing is in flight, every line but an empty one, a stop report and a
  // known unsolicited report is the listing's: an entry, or damage to it. Returns whether the
  // listing took the line.
  bool TakeListingLine(const std::string& line, bool noisy);
  // After a clean listing, ask the module how many positions it uses (AT+CPBS?) and check the
  // listing against it (the command line; the window keeps its described traffic).
  void set_check_used_count(bool on) { check_used_count_ = on; }
  // Whether a read names the entries it could not read in a message (the command line says it
  // in its own words).
  void set_show_unreadable(bool on) { show_unreadable_ = on; }
  // SIM positions whose entries could not be read at the last read: a write-all leaves them alone.
  const std::set<int>& kept_positions() const { return kept_positions_; }

  // Writes one entry at NextSimPosition, or sends "AT\r\n" when the name or value is empty.
  void WriteSimEntry(const std::string& name, const std::string& value);
  void DisableForTransfer();
  void EnableAfterTransfer();

  // Lists the whole SIM once more, as the check after a write does, and leaves the window as it
  // is: last_reading() and last_read_outcome() tell what came of it.
  void ListAgain();
  // Whether a read (started by Load or by the unit's stop report) runs or waits its turn.
  bool ReadRunning() const;
  bool WriteRunning() const;
  const SimReading& last_reading() const { return reading_; }
  // Where the last whole reading found the VER entry (0: nowhere); write-all leaves it alone.
  int version_position() const { return version_position_; }
  const SequenceOutcome& last_read_outcome() const { return read_outcome_; }
  const SequenceOutcome& last_write_outcome() const { return write_outcome_; }
  // Whether a write-all is followed by reading the unit back and comparing (the window: yes; the
  // command line makes its own check against the file).
  void set_verify_after_write(bool on) { verify_after_write_ = on; }
  // Differences the last check after a write found; -1 when none was made.
  int verified_differences() const { return verified_differences_; }
  // "SIM PIN" or "SIM PUK" when the last read failed because the SIM waits for it; empty
  // otherwise.
  const std::string& sim_lock() const { return sim_lock_; }
  // The highest SIM position the unit confirmed during the last write-all.
  int confirmed_position() const { return confirmed_position_; }
  // What the SIM holds now as far as the last write-all goes: the positions written and not.
  std::string WrittenSoFar() const { return WrittenSoFar(false); }
  // The pause before each command of a write-all. The window keeps 200 ms; the command line may
  // shorten it for units known to keep up, because its read-back catches one that does not.
  void set_pace_ms(int ms) { pace_ms_ = ms; }
  int pace_ms() const { return pace_ms_; }

  // Changed positions only: the next write-all sends only the positions whose entry differs from
  // what a write of every position would leave there, judged by the last whole reading of the
  // SIM (write_changed.cpp). It keeps the position of the unit's version entry. Without such a
  // reading the write-all writes every position.
  void set_changed_only(bool on) { changed_only_ = on; }
  bool changed_only() const { return changed_only_; }
  // Whether a whole reading of the unit's SIM is at hand that a changed-only write can go by.
  bool CanWriteChangedOnly() const;
  // Whether the running or last write-all went by changed positions only.
  bool wrote_changed_only() const { return plan_active_; }
  // The last write-all: SIM positions the unit confirmed, and (changed positions only) those that
  // already held what the write would have put there; planned: those it set out to write.
  int positions_written() const;
  int positions_already_right() const { return plan_active_ ? already_right_ : 0; }
  int positions_planned() const;
  // Every write-all the program ran: how many, the positions they wrote, and the positions the
  // first of them found already right.
  struct WriteTally {
    int writes = 0;
    int written = 0;
    int already_right = 0;
  };
  const WriteTally& tally() const { return tally_; }
  // What the last whole reading found, position by position; empty when there is none.
  SimSlots ReadSlots() const;

 private:
  enum class ReadStage { kIdle, kStopEcho, kOperator, kRange, kEntries, kCharset, kUsedCount };

  // Write-all.
  // `reason` says it for a report without the window's words; empty: the same as `message`.
  void RefuseWrite(const std::string& message, const std::string& reason = {},
                   SequenceOutcome::Kind kind = SequenceOutcome::kNotStarted);
  void OnWriteAnswer(const CommandResult& r);
  void WriteAllStep();
  void RunWriteStep();
  void SendWriteCommand(const std::string& command);
  void WriteReservedStep(int step);
  void WriteBookLine(int r);
  void DeleteNextPosition();
  void FinishWrite();
  void StopWrite(const std::string& why, SequenceOutcome::Kind kind, bool pending_refused);
  std::string WrittenSoFar(bool pending_refused) const;
  std::string LeftoverReport(bool sim_full) const;
  // What write-all sends for each reserved step, in write order.
  std::vector<std::string> ReservedValues(const Form1& form, const HeldValues& held) const;

  // Changed positions only (write_changed.cpp).
  void PlanChangedWrite();
  // The position of the step about to run holds the entry already (or is empty as it should
  // be), or the step sends nothing but "AT": it is passed over without a command.
  bool SkipUnchangedStep();
  bool PositionIsRight(int position, const SimSlot& entry) const;
  std::string ChangedSoFar(bool pending_refused) const;
  void CountWrite();
  // "3 positions written, 247 already right".
  std::string ChangedTally() const;

  // Read-all.
  void BeginRead(bool from_load);
  void ResetRead(bool from_load);
  // Reads the SIM back after a write and compares it with what was written.
  // `quiet`: only the reading is taken, nothing is shown or compared.
  void BeginVerify(const std::string& write_note, bool quiet = false);
  void ReportVerification();
  void SendReadCommand(const std::string& command, CommandLink::Done done);
  void OnStopEcho(const CommandResult& r);
  void OnOperatorAnswer(const CommandResult& r);
  void OnRangeAnswer(const CommandResult& r);
  void OnListingAnswer(const CommandResult& r);
  void TakeOperator(const std::string& line);
  void TakeRange(const std::string& line);
  void TakeEntry(const std::string& line, bool noisy);
  void SendListing(int positions);
  // After a clean listing: the character set where a name needs it, the used count where asked.
  void AfterListing();
  void OnCharsetAnswer(const CommandResult& r);
  void OnUsedCountAnswer(const CommandResult& r);
  void DecodeNames();
  // Skips the positions a write leaves alone.
  void SkipKeptPositions();
  void CompleteRead();
  void EndRead();
  void StopRead(const std::string& why, SequenceOutcome::Kind kind);
  void PlaceEntry(const std::string& name, const std::string& number);
  std::string ReadFailure(const CommandResult& r) const;
  // Ends the read for a failed command, asking first whether the SIM waits for its PIN.
  void FailRead(const CommandResult& r);

  UnitContext p_;
  StatusQueries& status_;
  PhoneBookEditor& phonebook_;

  // Write-all bookkeeping: the position of the command still waiting for its final result (0
  // when that command writes no position) and the highest position the unit has confirmed.
  int pending_position_ = 0;
  std::string pending_entry_;
  // The write command in flight, sent once more when noise made its answer unreadable.
  std::string last_write_command_;
  bool write_resent_ = false;
  int confirmed_position_ = 0;
  // Rows that turned out not to be sendable when their command was built.
  std::vector<std::string> unsafe_reports_;
  // Rows left out because their name or number is empty.
  std::vector<std::string> skipped_rows_;
  // The settings' values as the window held them at the click: the write sends these, whatever
  // is edited while it runs.
  std::vector<std::string> reserved_at_click_;
  // Reserved entries whose value held bytes that cannot be sent.
  std::vector<std::string> refused_entries_;
  SequenceOutcome write_outcome_;
  int pace_ms_ = 200;

  // Read-all.
  ReadStage read_stage_ = ReadStage::kIdle;
  bool read_from_load_ = false;
  bool operator_seen_ = false;
  // The read ends with the final result of the command in flight: the unit did not look stopped,
  // or its SIM is too small to list.
  bool end_after_answer_ = false;
  size_t lines_listed_ = 0;
  int range_seen_ = 0;  // the positions the range reply gave, 0 before it came
  std::set<int> listed_;
  std::string damage_;  // why the listing cannot be trusted; empty while it can
  bool check_used_count_ = false;
  bool show_unreadable_ = true;
  int used_reported_ = -1;  // the used count AT+CPBS? gave; -1 while none came
  bool names_need_charset_ = false;
  bool range_refused_ = false;  // the range reply was understood, but such a SIM is not read
  std::vector<std::string> entry_lines_;  // each taken entry's line, in the order of `entries`
  std::set<int> kept_positions_;
  SimReading reading_;
  SequenceOutcome read_outcome_;
  bool verifying_ = false;  // the read checks a write and leaves the window alone
  bool verify_after_write_ = true;
  bool quiet_check_ = false;        // the check's reading is taken and nothing more
  std::vector<UnitEntry> written_;  // what the last write-all put on the SIM, in order
  std::string verify_note_;         // what the write's own end message would have said
  int verified_differences_ = -1;
  std::string sim_lock_;
  bool asking_pin_state_ = false;
  CommandResult failed_;  // the failure that the PIN question is about
  // The SIM position of the unit's VER entry (its firmware version) in the last whole reading, 0
  // when it held none. Write-all passes over it: only the unit's firmware writes that entry.
  int version_position_ = 0;
  bool noise_in_answer_ = false;  // a line of the operator's answer was spoilt by line noise

  // Changed positions only.
  bool changed_only_ = false;
  bool plan_active_ = false;  // the write-all goes by the plan below
  SimSlots plan_layout_;      // what a write of every position leaves on the SIM
  SimSlots plan_basis_;       // what the reading found
  std::set<int> plan_kept_;   // positions never written: the version entry's, unreadable ones
  int planned_ = 0;           // positions that differ
  int written_count_ = 0;     // of them, confirmed by the unit
  int already_right_ = 0;
  WriteTally tally_;
};

}  // namespace vrkt
