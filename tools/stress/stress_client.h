#pragma once
// One client process of a stress run, and the run itself.

#include "stress/stress_options.h"

namespace stress {

// Calls the agent as the options say and writes the tally to options.out.
// Exit code: 0 all answers as expected, 1 some were not, 2 no agent object.
int RunClient(const Options& options);

// Starts the client processes round after round and reports (stress_rounds.cpp).
// Exit code: 0 when every answer was the expected one and the agent survived.
int RunStress(const Options& options);

}  // namespace stress
