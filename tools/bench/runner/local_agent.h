#pragma once
// An agent object in the benchmark's own process, created as the agent's
// class object creates it: the agent's own code without COM marshaling, for
// figures that separate what the agent adds from what the transport costs.

#include <windows.h>

#include "TeskAgent_h.h"

namespace bench {

HRESULT CreateLocalAgent(REFIID iid, void** object);

}  // namespace bench
