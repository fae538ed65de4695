#pragma once
// The agent's activity word in words: activity state in the low 16 bits,
// start mode in the high 16 bits.

#include <string>

namespace teskctl {

enum ActivityState : unsigned { kNotRunning = 1, kRunning = 2, kStoppable = 3, kUnknownServer = 4 };

unsigned StateOf(long activity);
// "stopped", "running", "stoppable" or "unknown" (also for a state the agent
// does not define).
const char* StateName(long activity);
// "none", "demand" or "auto".
const char* ServiceName(long activity);
// "running, stoppable", "not running", "unknown server", ...
std::wstring StateWords(long activity);
// "no service", "demand-start service", "auto-start service".
std::wstring ServiceWords(long activity);

}  // namespace teskctl
