#pragma once

#include <string>

#include "phonebook/row_check.h"

namespace vrkt {

// The flags and counters of the running chains. Several flags may be set at once; the order of
// the dispatch rules decides which one an "OK" serves.
struct OperationState {
  std::string RxLine;
  bool LoaderWaitingOk = false;
  bool AsendWaitingEvent = false;
  bool QueryOperatorOnOk = false;
  bool BookReplaceOnNext = true;
  bool WriteAllRunning = false;
  int WriteStep = 0;
  int NextSimPosition = 0;
  int SimCapacity = 0;
  // All the last range reply told of the SIM; its positions equal SimCapacity.
  SimLimits sim_limits;
  int LoaderIndex = 0;
  int SignalLevel = 0;
  std::string UploadData;

  // The idle state that start-up puts the chains into.
  void ResetForStartup() {
    RxLine.clear();
    LoaderWaitingOk = false;
    QueryOperatorOnOk = false;
    BookReplaceOnNext = true;
  }
};

}  // namespace vrkt
