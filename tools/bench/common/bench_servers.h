#pragma once
// The installed TeskServers of a benchmark prefix. Server i has a CLSID, a
// ProgID and a user-type name derived from i, and a state fixed by i, so the
// programs agree on them without passing lists around:
//   i % 4 == 0  running and stoppable (presence and stop events held by the host)
//   i % 4 == 1  running, presence event only
//   i % 4 == 2  stopped, installed as a demand-start NT service
//   i % 4 == 3  stopped, no service
// Server 0 also publishes its object in the Tesk ROT.

#include <windows.h>

#include <string>

namespace bench {

enum class ServerState { RunningStoppable, Running, StoppedService, Stopped };

inline ServerState StateOf(unsigned index) { return static_cast<ServerState>(index % 4); }

CLSID ServerClsid(unsigned index);
std::wstring ServerClsidText(unsigned index);  // as StringFromCLSID writes it
std::wstring ServerProgId(unsigned index);
std::wstring ServerUserType(unsigned index);    // also the service name

// The activity word the agent must report for server i.
LONG ExpectedActivity(unsigned index);

// COM registration in the TeskServer category (LocalServer32 points at a
// program that is never started), in the registry view `view` names (0: the
// 64-bit view, KEY_WOW64_32KEY: where 32-bit servers register). Returns false
// when a write failed.
bool RegisterServer(unsigned index, REGSAM view = 0);
void UnregisterServer(unsigned index, REGSAM view = 0);

// Where server i is registered when half of the servers are 32-bit ones:
// every other block of four, so each state is found in both views.
inline REGSAM SplitView(unsigned index) { return (index / 4) % 2 ? KEY_WOW64_32KEY : 0; }

// The demand-start NT service of a StoppedService server.
bool InstallServerService(unsigned index);
void RemoveServerService(unsigned index);

}  // namespace bench
