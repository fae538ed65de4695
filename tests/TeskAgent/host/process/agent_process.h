#pragma once
// Helpers for tests that run the agent as its own process.

#include <windows.h>

#include <string>

#include "support/unique_resource.h"

namespace tesk_test {

constexpr wchar_t kAgentExeName[] = L"TeskAgent.exe";

// Waits until no agent process runs (an earlier test's agent may still be
// idling out); false when one is still there after timeoutMs.
bool WaitForNoAgentProcess(DWORD timeoutMs = 20000);

// The one running agent process, opened for waiting; empty when there is not exactly one.
tesk::UniqueKernelHandle OpenTheAgentProcess(DWORD* pid = nullptr);

// Milliseconds until process ends, or -1 when it still runs after timeoutMs.
long MillisecondsUntilExit(HANDLE process, DWORD timeoutMs);

// Creates an agent object as a local server, the way every client does.
HRESULT CreateAgent(REFIID iid, void** object);

// Restores the agent's registration the way the installation made it.
long ReinstallAgent();

}  // namespace tesk_test
