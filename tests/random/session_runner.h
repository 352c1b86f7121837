#pragma once

#include <string>

#include "random/session.h"

namespace vrkt::testing {

// The rules every session must keep, each checked after every step (the ends of sequences also
// once the session is over and left to run on its own).
struct Invariants {
  bool one_command_in_flight = true;  // read from the wire: no command goes out while another waits
  bool sequences_end = true;          // by a completion or a deadline; nothing waits for ever
  bool write_success_matches = true;  // a write that reports success leaves the window on the SIM
  bool failed_write_message = true;   // a failed write names exactly the positions it changed
  bool no_duplicate_reserved = true;  // the SIM at rest never holds a reserved name twice
  bool rows_from_sources = true;      // grid rows come from the unit, a file or the user
  bool buttons_follow_state = true;   // the window is given back and offers what the state allows
  bool files_load_back = true;        // a saved parameter file loads and saves the same again
  bool commands_well_formed = true;   // every command on the wire is one the program may send
  bool uploads_intact = true;         // what the loader stored on the unit is the file it read
  // At the end, every entry on the SIM was on it at the start, or came from a file or the user:
  // nothing a damaged reading made up is ever written.
  bool sim_from_sources = true;

  static Invariants All() { return {}; }
  // From a list such as "all", "all,-rows" or "ends,files" (the short names below).
  static Invariants Parse(const std::string& list);
  // VRKT_INVARIANTS when set, All() otherwise.
  static Invariants Chosen();
  // The short names: in_flight, ends, write_matches, write_message, duplicates, rows, buttons,
  // files, commands, uploads, sim_sources.
  std::string Names() const;
};

// What a session got done, to see that the random search reaches the interesting places.
struct SessionStats {
  int steps_offered = 0;   // steps the window let the user take
  int writes_ok = 0;       // write-all ended without a message
  int writes_stopped = 0;  // write-all stopped with a message
  int files_saved = 0;
  int files_loaded = 0;
  int uploads = 0;         // scripts and files the unit stored
  int commands = 0;        // command lines the unit took
};

struct SessionResult {
  std::string failure;     // empty when every invariant held
  std::string transcript;  // the steps, the wire and the messages, for a reader
  SessionStats stats;
};

// Runs the session against the simulated unit in virtual time and checks the invariants.
SessionResult RunSession(const Session& session, const Invariants& checks);

}  // namespace vrkt::testing
