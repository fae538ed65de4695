#include "agent/service_installation.h"

#include "agent/server_service.h"
#include "support/unique_resource.h"

namespace {

// Own process, and allowed to interact with the desktop as the servers did
// when they ran as programs.
constexpr DWORD kServerServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
// The server is started with this after its registered command line, so it
// knows it runs under the Service Control Manager.
constexpr wchar_t kServiceSwitch[] = L" -service";

// Every change leaves everything but what it names as it is; the display name
// is passed back unchanged.
bool ChangeStartType(SC_HANDLE service, DWORD startType) {
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    if (!ReadServiceConfig(service, config)) return false;
    return ::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  config->lpDisplayName) != FALSE;
}

bool CreateServerService(const wchar_t* serviceName, const std::wstring& commandLine,
                         DWORD startType) {
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return false;
    // Built without a fixed limit: whatever command line is registered gets
    // the switch appended, so no registered command line is refused for its length.
    std::wstring binaryPath = commandLine + kServiceSwitch;
    // LocalSystem (no account, no password), no load-order group, no tag; the
    // dependency is set by a separate step.
    tesk::UniqueServiceHandle created(::CreateServiceW(
        manager.get(), serviceName, serviceName, SERVICE_ALL_ACCESS, kServerServiceType,
        startType, SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr,
        nullptr));
    return static_cast<bool>(created);
}

}  // namespace

bool InstallServerService(const wchar_t* serviceName, const std::wstring& commandLine,
                          bool automaticStart) {
    if (!serviceName || !*serviceName) return false;
    tesk::UniqueServiceHandle existing;
    if (!OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &existing)) return false;

    DWORD startType = automaticStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
    if (existing) return ChangeStartType(existing.get(), startType);
    return CreateServerService(serviceName, commandLine, startType);
}

bool SetServiceDependency(const wchar_t* serviceName, const wchar_t* dependencies) {
    tesk::UniqueServiceHandle service;
    if (!OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &service)) return false;
    // No service here means the installation step failed and has said so already.
    if (!service) return true;
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    if (!ReadServiceConfig(service.get(), config)) return true;

    // A list given here replaces whatever dependencies the service had.
    return ::ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                  SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, dependencies,
                                  nullptr, nullptr, config->lpDisplayName) != FALSE;
}

bool DeleteServerService(const wchar_t* serviceName) {
    if (!serviceName) return false;
    tesk::UniqueServiceHandle service;
    if (!OpenLocalService(serviceName, DELETE, &service) || !service) return false;
    return ::DeleteService(service.get()) != FALSE;
}
