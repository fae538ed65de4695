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

bool IsModuleCheck(const MSG& message) {
    return message.hwnd == nullptr && (message.message == ServerModule::kIdleCheckMessage ||
                                       message.message == ServerModule::kQuitCheckMessage);
}

void ServeUntilQuit(ServerModule& module) {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsModuleCheck(message))
            ::DispatchMessageW(&message);
        else if (message.message == ServerModule::kIdleCheckMessage)
            module.QuitIfIdle();
        else
            module.QuitIfStillIdle();
    }
}

// The linger still answers calls. A client that holds the class object (it
// got it before the revocation) can create through it after the quit: left
// waiting in the queue of a process that ends, the call would fail; answered,
// it makes an object that keeps the process serving.
void ServeDuringLinger() {
    const DWORD start = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < kLingerMilliseconds; elapsed = ::GetTickCount() - start) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, kLingerMilliseconds - elapsed, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (!IsModuleCheck(message)) ::DispatchMessageW(&message);  // the run is ending already
    }
}
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
    for (;;) {
        module.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);
        ServeUntilQuit(module);
        module.RevokeClassObjects();
        ServeDuringLinger();
        // An object made during the linger keeps the process in service, with
        // its class object registered again so that new clients share it; its
        // release starts the idle time anew.
        if (module.LockCount() == 0) return 0;
    }
}
