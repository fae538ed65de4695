// Process entry of TeskAgent.exe, a GUI-subsystem program that never opens a window.

#include <windows.h>

#include "TeskAgent_h.h"
#include "host/agent_server.h"
#include "host/command_line.h"
#include "host/server_module.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Libraries loaded by bare name (the logger and the administrator-account
    // library when no install folder is registered) come only from the
    // agent's own folder and the system folder, never from the current folder
    // or PATH, where anyone could plant one for an administrator's process.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    const wchar_t* commandLine = ::GetCommandLineW();
    ::CoInitialize(nullptr);

    ServerModule& module = ServerModule::Instance();
    module.Init(AgentObjectTable(), instance);
    module.SetMainThreadId(::GetCurrentThreadId());

    int exitCode = 0;
    switch (FindRegistrationSwitch(commandLine)) {
        case RegistrationSwitch::UnregServer:
            exitCode = UnregisterAgentServer();
            break;
        case RegistrationSwitch::RegServer:
            exitCode = RegisterAgentServer();
            break;
        case RegistrationSwitch::None:
            exitCode = RunAgentServer();
            break;
    }

    module.Term();
    ::CoUninitialize();
    return exitCode;
}
