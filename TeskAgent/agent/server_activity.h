#pragma once
// Whether a TeskServer runs and how it is installed, starting it and asking it
// to stop. The agent does not track server processes: it opens the events a
// running server creates and asks the Service Control Manager.

#include <windows.h>

#include "agent/service_manager.h"
#include "interfaces/ClassUtilities/ServerIdentity.h"

// Activity word: activity state in the low 16 bits, start mode in the high 16.
namespace activity {
inline constexpr LONG kNotRunning = 1;
inline constexpr LONG kRunning = 2;
inline constexpr LONG kRunningStoppable = 3;
inline constexpr LONG kUnknownServer = 4;
inline constexpr LONG kNoService = 0x00010000;
inline constexpr LONG kDemandStartService = 0x00020000;
inline constexpr LONG kAutoStartService = 0x00040000;
}  // namespace activity

// The server's activity word in *activeContext; S_OK also for an unknown server.
HRESULT ReportServerActivity(const wchar_t* serverName, LONG* activeContext);

// The same for a server already resolved. A list passes the services it
// fetched once, so that servers without a service cost no round trip to the
// Service Control Manager.
HRESULT ReportActivityOf(const TeskAgentHelpers::ServerIdentity& server, LONG* activeContext,
                         const service_manager::InstalledServices* installed = nullptr);

// Starts the server's NT service, or else launches its registered command line.
HRESULT StartTeskServer(const wchar_t* serverName);

// Sets the server's stop event when it has one; never waits, never asks the
// Service Control Manager.
HRESULT StopTeskServer(const wchar_t* serverName);
