// The run state of the converter dialog, shared by the engine and every front end.
#pragma once

#include <cstdint>

namespace boxferry {

// Values 0 to 5 are stored; kFinish is only ever a request.
enum RunState : std::int32_t {
  kNotReady = 0,    // idle; the two folders are not both chosen, or they are equal
  kReady = 1,       // idle; both folders chosen and different
  kRunning = 2,     // a run is in progress
  kCancelling = 3,  // the user asked to stop; the engine stops at its next check
  kFailed = 4,      // the run stopped on an error whose message has been shown
  kCompleted = 5,   // the run ended without error
  kFinish = 6,      // request only: the end of a run
};

}  // namespace boxferry
