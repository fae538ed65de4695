#pragma once
// The processes a benchmark run talks to: the agent, the baseline server and
// the host that plays the running TeskServers.

#include <windows.h>

#include <string>

#include "BenchBaseline_h.h"
#include "TeskAgent_h.h"
#include "support/unique_resource.h"

namespace bench {

struct AgentPeer {
    tesk::UniqueComPtr<ITesk_Agent> agent;
    tesk::UniqueComPtr<ITeskRot> rot;
};

struct BaselinePeer {
    tesk::UniqueComPtr<IBenchBaseline> baseline;
    tesk::UniqueComPtr<IBenchBaselineRot> rot;
    tesk::UniqueComPtr<IBenchBaselineSetup> setup;
};

HRESULT CreateAgentPeer(AgentPeer* peer);
HRESULT CreateBaselinePeer(BaselinePeer* peer);

// Starts BenchServerHost.exe (next to this program) for `count` servers and
// waits until it has created its events and published server 0.
class ServerHost {
public:
    ~ServerHost() { Stop(); }
    bool Start(unsigned count);
    void Stop();

private:
    tesk::UniqueKernelHandle process_;
    tesk::UniqueKernelHandle quit_;
};

// The folder of this program, with a trailing backslash.
std::wstring ProgramFolder();

// A BSTR owned by the caller's scope.
inline tesk::UniqueSysString MakeBstr(const std::wstring& text) {
    return tesk::UniqueSysString(::SysAllocString(text.c_str()));
}

}  // namespace bench
