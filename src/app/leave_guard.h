#pragma once

#include <string>

namespace vrkt {

class Program;

// Asked before the window closes, or the port is left, while the unit's application is stopped
// (DTR raised): a stopped unit makes no emergency calls until someone starts it again.
inline constexpr char kLeaveStoppedQuestion[] =
    "The unit is stopped and makes no emergency calls. Start it before closing?";
inline constexpr char kLeaveStoppedPortQuestion[] =
    "The unit is stopped and makes no emergency calls. Start it before changing the port?";
inline constexpr char kStartAndClose[] = "Start and close";
inline constexpr char kCloseAnyway[] = "Close anyway";
inline constexpr char kStartAndChangePort[] = "Start and change port";
inline constexpr char kChangePortAnyway[] = "Change port anyway";

enum class LeaveChoice {
  kLeave,           // nothing stands in the way, or the user leaves the unit as it is
  kStartThenLeave,  // run the Run sequence first; leave once it has ended (RunSequenceEnded)
  kStay,            // Cancel
};

// True while the port is open and the unit's application is held stopped.
bool UnitLeftStopped(Program& program);

// Whether the window may close: asks first while the unit is being written, then while it is
// stopped. The default answer of the second question is Start and close.
LeaveChoice DecideClose(Program& program);
// The same for choosing another port (no question about a write: the port cannot be changed
// during one anyway).
LeaveChoice DecidePortChange(Program& program);

// Starts the unit as the Run button does.
void StartBeforeLeaving(Program& program);
// True once the Run sequence has done its part: DTR is low and its restart command is out.
bool RunSequenceEnded(Program& program);

// After the port has closed or changed: the displays of the unit that was on it go back to their
// start state, so nothing of that unit is shown as if it were the new one's.
void ClearUnitDisplays(Program& program);

}  // namespace vrkt
