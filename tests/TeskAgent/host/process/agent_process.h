#pragma once
// Helpers for tests that run the agent as its own process.

#include <windows.h>

#include <string>

#include "support/test_support.h"
#include "support/unique_resource.h"

namespace tesk_test {

// The one running agent process, opened for waiting; empty when there is not exactly one.
tesk::UniqueKernelHandle OpenTheAgentProcess(DWORD* pid = nullptr);

// Milliseconds until process ends, or -1 when it still runs after timeoutMs.
long MillisecondsUntilExit(HANDLE process, DWORD timeoutMs);

// Restores the agent's registration the way the installation made it.
long ReinstallAgent();

}  // namespace tesk_test
