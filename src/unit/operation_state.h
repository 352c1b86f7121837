#pragma once

#include "link/sim_limits.h"

namespace vrkt {

// What the read and the write of the whole SIM share: where a write-all stands and what the
// unit's SIM holds. Each chain keeps the rest of its state to itself.
struct OperationState {
  // The next entry a read places replaces the whole phone book: it is the first of its read.
  bool BookReplaceOnNext = true;
  bool WriteAllRunning = false;
  int WriteStep = 0;
  int NextSimPosition = 0;
  int SimCapacity = 0;
  // All the last range reply told of the SIM; its positions equal SimCapacity.
  SimLimits sim_limits;
  int SignalLevel = 0;

  // The idle state that start-up puts the chains into.
  void ResetForStartup() { BookReplaceOnNext = true; }
};

}  // namespace vrkt
