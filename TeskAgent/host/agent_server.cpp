#include "host/agent_server.h"

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "agent/agent_ids.h"
#include "dcomconfig/DcomConfig.h"
#include "resources/resource_ids.h"

namespace {
HRESULT UpdateAgentClassRegistry(bool registering) {
    return ServerModule::Instance().UpdateRegistryFromResource(IDR_CLASS_SCRIPT, registering);
}

// The linger after the message loop, for the monitor thread and outstanding work.
constexpr DWORD kLingerMilliseconds = 1000;
}  // namespace

ObjectEntry* AgentObjectTable() {
    static ObjectEntry table[] = {
        {&CLSID_Tesk_Agent, UpdateAgentClassRegistry, CTesk_Agent::CreateInstance, 0},
        {nullptr, nullptr, nullptr, 0},
    };
    return table;
}

HRESULT RegisterAgentServer() {
    ServerModule& module = ServerModule::Instance();
    module.UpdateRegistryFromResource(IDR_APPID_SCRIPT, true);
    HRESULT result = AgentObjectTable()[0].updateRegistry(true);
    // The AppID's DCOM settings. Their failures are told to the registering
    // person (or its captured standard error) and never change the exit code.
    CDcomConfig().SetDcomConfig(kAgentProgId, RUNAS_ADMIN_ACCOUNT);
    return result;
}

HRESULT UnregisterAgentServer() {
    ServerModule& module = ServerModule::Instance();
    module.UpdateRegistryFromResource(IDR_APPID_SCRIPT, false);
    return AgentObjectTable()[0].updateRegistry(false);
}

int RunAgentServer() {
    ServerModule& module = ServerModule::Instance();
    module.StartShutdownMonitor();
    module.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == ServerModule::kIdleCheckMessage) {
            module.QuitIfIdle();
            continue;
        }
        if (message.hwnd == nullptr && message.message == ServerModule::kQuitCheckMessage) {
            module.QuitIfStillIdle();
            continue;
        }
        ::DispatchMessageW(&message);
    }

    module.RevokeClassObjects();
    ::Sleep(kLingerMilliseconds);
    return 0;
}
