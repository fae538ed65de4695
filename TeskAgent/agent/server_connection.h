#pragma once
// Reaching running TeskServers, the agent of another node and the configurator.

#include <windows.h>

#include "TeskAgent_h.h"

// The running server's object: from the Tesk ROT (asked through `rot` as any
// client would), else from the platform's running object table.
HRESULT ConnectToServer(ITeskRot* rot, const wchar_t* serverName, IUnknown** server);

// ITesk_Agent of the agent on the named node, passed to the platform unchanged.
HRESULT CreateAgentOnNode(BSTR node, IUnknown** agent);

// A new configurator object, created as a local server.
HRESULT CreateConfigurator(IUnknown** configurator);
