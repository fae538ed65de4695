#include "sample_server/service_mode.h"

#include <windows.h>

#include "sample_server/common/sample_identity.h"
#include "sample_server/server_run.h"
#include "support/unique_resource.h"

namespace tesk_sample {
namespace {

// The dispatcher calls ServiceMain without a context: the options and the
// service's state live here for the one service of this process.
struct ServiceState {
    const ServerOptions* options = nullptr;
    std::wstring name;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;  // not closed: owned by the SCM
    SERVICE_STATUS status = {};
    tesk::UniqueKernelHandle stopRequest;
    int exitCode = 0;
};
ServiceState g_service;

void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0,
            DWORD serviceSpecificExitCode = 0) {
    static DWORD checkPoint = 1;
    SERVICE_STATUS& status = g_service.status;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwServiceSpecificExitCode = serviceSpecificExitCode;
    status.dwWaitHint = waitHintMs;
    status.dwCheckPoint =
        state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : checkPoint++;
    ::SetServiceStatus(g_service.statusHandle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING, NO_ERROR, 5000);
            ::SetEvent(g_service.stopRequest.get());
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void OnRunning(void*) { Report(SERVICE_RUNNING); }

void WINAPI ServiceMain(DWORD, wchar_t**) {
    // Arguments of StartService ("-Service" when COM starts the service)
    // change nothing: the binary path already names the instance.
    // The stop request exists before the handler can be called.
    g_service.stopRequest.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const DWORD eventError = g_service.stopRequest ? NO_ERROR : ::GetLastError();
    g_service.statusHandle =
        ::RegisterServiceCtrlHandlerExW(g_service.name.c_str(), ControlHandler, nullptr);
    if (!g_service.statusHandle) {
        g_service.exitCode = static_cast<int>(::GetLastError());
        return;
    }
    if (eventError != NO_ERROR) {
        Report(SERVICE_STOPPED, eventError);
        return;
    }
    Report(SERVICE_START_PENDING, NO_ERROR, 10000);

    ::CoInitialize(nullptr);
    RunHooks hooks;
    hooks.extraStop = g_service.stopRequest.get();
    hooks.running = OnRunning;
    int result = RunServer(*g_service.options, hooks);
    ::CoUninitialize();

    g_service.exitCode = result;
    if (result == 0) {
        Report(SERVICE_STOPPED);
    } else {
        Report(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR, 0, static_cast<DWORD>(result));
    }
}

}  // namespace

int RunAsService(const ServerOptions& options) {
    g_service.options = &options;
    g_service.name = IdentityOf(options.instance).userTypeName;
    SERVICE_TABLE_ENTRYW table[] = {
        {&g_service.name[0], ServiceMain},
        {nullptr, nullptr},
    };
    if (!::StartServiceCtrlDispatcherW(table)) return static_cast<int>(::GetLastError());
    return g_service.exitCode;
}

}  // namespace tesk_sample
