// Entry of TeskSampleServer.exe: a GUI-subsystem program that never opens a
// window (see README.md for its command line).

#include <windows.h>

#include "sample_server/server_options.h"
#include "sample_server/server_registration.h"
#include "sample_server/server_run.h"
#include "sample_server/service_mode.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    using namespace tesk_sample;
    const ServerOptions options = ParseServerOptions(::GetCommandLineW());
    if (options.action == Action::Invalid) {
        ::OutputDebugStringW((L"TeskSampleServer: " + options.error + L"\n").c_str());
        return static_cast<int>(E_INVALIDARG);
    }
    // Under the SCM the service thread initialises COM for itself.
    if (options.action == Action::Run && options.service) return RunAsService(options);

    ::CoInitialize(nullptr);
    int result = 0;
    switch (options.action) {
        case Action::RegServer:
            result = RegisterServer(options);
            break;
        case Action::UnregServer:
            result = UnregisterServer(options);
            break;
        default:
            result = RunServer(options, RunHooks());
            break;
    }
    ::CoUninitialize();
    return result;
}
