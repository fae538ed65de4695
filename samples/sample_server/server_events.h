#pragma once
// The named events through which the agent sees and stops a running server.
//
//   "Global\<CLSID>_INPROC"  presence: exists while the server runs
//   "Global\<CLSID>_FORCE"   stop: exists while the server accepts a stop
//                            request; setting it asks the server to end
//   "Global\TeskSampleQuit<CLSID>"  the sample's own off switch, created in
//                            every event mode so that tools and tests can end
//                            a server that the agent cannot stop
//
// Where the machine-wide namespace is closed to the account (creating objects
// there needs SeCreateGlobalPrivilege outside services), the plain names are
// used; the agent falls back to them as well.

#include <windows.h>

#include <string>

#include "sample_server/common/sample_identity.h"
#include "sample_server/server_options.h"
#include "support/unique_resource.h"

namespace tesk_sample {

std::wstring PresenceEventName(const ServerIdentity& identity);
std::wstring StopEventName(const ServerIdentity& identity);
std::wstring QuitEventName(const ServerIdentity& identity);

class ServerEvents {
public:
    // The quit event; fails with the creation's error.
    HRESULT CreateQuitEvent(const ServerIdentity& identity);
    // The agent's events as mode asks; an event that exists already (another
    // process of the same instance runs) is refused with ERROR_ALREADY_EXISTS.
    HRESULT CreateAgentEvents(const ServerIdentity& identity, EventMode mode);
    // Closes the agent's events: from here on the server counts as not running.
    void CloseAgentEvents();

    HANDLE stop() const { return stop_.get(); }  // null unless stoppable
    HANDLE quit() const { return quit_.get(); }

private:
    tesk::UniqueKernelHandle presence_;
    tesk::UniqueKernelHandle stop_;
    tesk::UniqueKernelHandle quit_;
};

}  // namespace tesk_sample
