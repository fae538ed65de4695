#pragma once
// Everything the figures of one run share.

#include <windows.h>

#include <vector>

#include "bench/runner/options.h"
#include "bench/runner/peers.h"
#include "bench/runner/report.h"

namespace bench {

struct RunState {
    Options options;
    Report report;
    AgentPeer agent;
    BaselinePeer baseline;
    ServerHost host;
    // Server 0's live object, as the Tesk ROT hands it out; held for the whole
    // run so that each hit returns the same proxy.
    tesk::UniqueVariant published;
    unsigned registeredServers = 0;
    // The registry view each registered server is in now (0: the 64-bit view).
    std::vector<REGSAM> serverViews;
};

// Each figure adds its rows to state.report; false when it could not run.
bool MeasureActivation(RunState& state);
bool MeasureCallCosts(RunState& state);
bool MeasureNameLookups(RunState& state);
bool MeasureInProcess(RunState& state);
bool MeasureInstalledServers(RunState& state);
bool MeasureRequestSizes(RunState& state);

// Memory and handles: ReadStartMemory right after the peers started,
// MeasureMemory at the end (it makes the mixed calls).
void ReadStartMemory();
bool MeasureMemory(RunState& state);

// Registers servers [state.registeredServers, count) with their services, in
// the 64-bit view.
bool RegisterServersUpTo(RunState& state, unsigned count);

// A line on stderr that shows progress without disturbing the measurement.
void Progress(const char* format, ...);

}  // namespace bench
