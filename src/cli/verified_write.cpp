#include "cli/verified_write.h"

#include <algorithm>

namespace vrkt::cli {

namespace {

constexpr int kReadRetries = 3;
// The window's pace, which every unit keeps up with.
constexpr int kDefaultPaceMs = 200;
// What --pace auto starts with: --fast.
constexpr int kAutoFirstPaceMs = 20;

// Lists the whole SIM; the window keeps the file's configuration for a second pass. A listing
// that line noise damaged is taken again, as a read is.
ReadResult ReadBack(Session& s) {
  Transfer& t = s.program().transfer;
  for (int attempt = 0;; ++attempt) {
    t.ListAgain();
    WaitWhile(
        s, [&] { return t.ReadRunning(); },
        [&] {
          return "Reading the SIM back (" + std::to_string(s.program().op.SimCapacity) +
                 " positions)...";
        },
        "The read-back");
    const SequenceOutcome& o = t.last_read_outcome();
    const SimReading& r = t.last_reading();
    if (o.kind == SequenceOutcome::kDone && r.complete) {
      ReadResult result;
      result.capacity = r.capacity;
      for (const ListedEntry& e : r.entries) result.entries.push_back(UnitEntry{e.name, e.number});
      return result;
    }
    if (o.kind == SequenceOutcome::kDamaged && attempt < kReadRetries) {
      s.Note((o.reason.empty() ? o.message : o.reason) + " Reading again.");
      continue;
    }
    throw FailureOf(o.kind == SequenceOutcome::kNone
                        ? SequenceOutcome{SequenceOutcome::kFailed, "The read-back did not start.", {}}
                        : o,
                    "The SIM was written; only the check failed, reading the unit back.");
  }
}

std::string Positions(int n) { return std::to_string(n) + (n == 1 ? " position" : " positions"); }

}  // namespace

VerifiedWrite WriteAndVerify(Session& s, const std::vector<UnitEntry>& expected) {
  const Options& o = s.options();
  Transfer& t = s.program().transfer;
  const std::vector<std::string> unit_only = {"VER"};
  VerifiedWrite w;
  w.pace_ms = o.pace_auto ? kAutoFirstPaceMs : o.pace_ms;
  t.set_changed_only(!o.write_all);
  t.set_pace_ms(w.pace_ms);
  const int start = t.tally().written;
  WriteAll(s);
  w.changed_only = t.wrote_changed_only();
  w.back = ReadBack(s);
  w.diffs = CompareEntries(expected, w.back.entries, unit_only);
  w.written = t.tally().written - start;
  w.already_right = t.positions_already_right();
  if (w.diffs.empty() || (o.write_all && !o.pace_auto)) return w;

  // The read-back is now what the unit holds: the positions that still differ go once more, at
  // a pace every unit keeps up with.
  const size_t n = w.diffs.size();
  w.repair_pace_ms = std::max(o.pace_ms, kDefaultPaceMs);
  s.Note("Reading the unit back shows " + std::to_string(n) +
         (n == 1 ? " difference" : " differences") +
         "; writing the positions that differ again, at " + std::to_string(w.repair_pace_ms) +
         " ms.");
  t.set_changed_only(true);
  t.set_pace_ms(w.repair_pace_ms);
  const int written_before = t.tally().written;
  WriteAll(s);
  w.rewritten = t.tally().written - written_before;
  w.written = t.tally().written - start;
  // Nothing differed position by position (what is left cannot be written): the read-back
  // stands as it is.
  if (t.positions_planned() == 0) return w;
  w.back = ReadBack(s);
  w.diffs = CompareEntries(expected, w.back.entries, unit_only);
  return w;
}

std::string WriteSummary(const VerifiedWrite& w) {
  std::string text = "Wrote " + Positions(w.written - w.rewritten) + " of the SIM";
  if (w.changed_only) text += "; " + Positions(w.already_right) + " already right";
  text += " (pace " + std::to_string(w.pace_ms) + " ms)";
  if (w.repair_pace_ms > 0)
    text += "; then " + Positions(w.rewritten) + " again at " + std::to_string(w.repair_pace_ms) +
            " ms after the read-back";
  return text + ".";
}

}  // namespace vrkt::cli
