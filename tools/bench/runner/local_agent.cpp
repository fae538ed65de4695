#include "bench/runner/local_agent.h"

#include "agent/Tesk_Agent.h"
#include "host/agent_server.h"
#include "host/server_module.h"

namespace bench {

HRESULT CreateLocalAgent(REFIID iid, void** object) {
    // The module (its type-information lock) is set up as the entry point does.
    static bool initialised = false;
    if (!initialised) {
        ServerModule::Instance().Init(AgentObjectTable(), ::GetModuleHandleW(nullptr));
        initialised = true;
    }
    return CTesk_Agent::CreateInstance(nullptr, iid, object);
}

}  // namespace bench
