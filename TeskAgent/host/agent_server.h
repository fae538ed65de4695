#pragma once
// The three things the agent process does: register, unregister, or serve.

#include <windows.h>

#include "host/server_module.h"

// The module's object table: one entry, the Tesk_Agent class.
ObjectEntry* AgentObjectTable();

// Applies the AppID script, then the class script; the result is the class script's.
HRESULT RegisterAgentServer();
HRESULT UnregisterAgentServer();

// Serves agent objects through the main thread's message loop until the
// shutdown monitor ends it; returns the exit code 0.
int RunAgentServer();
