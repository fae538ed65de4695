#include "agent/service_installation.h"

#include "agent/server_service.h"
#include "diagnostics/returned_failure.h"
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
HRESULT ChangeStartType(SC_HANDLE service, DWORD startType) {
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    TESK_RETURN_IF_FAILED(ReadServiceConfig(service, config));
    TESK_RETURN_LAST_ERROR_IF(!::ChangeServiceConfigW(
        service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
        nullptr, nullptr, nullptr, config->lpDisplayName));
    return S_OK;
}

HRESULT CreateServerService(const wchar_t* serviceName, const std::wstring& commandLine,
                         DWORD startType) {
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CREATE_SERVICE));
    TESK_RETURN_LAST_ERROR_IF(!manager);
    // Built without a fixed limit: whatever command line is registered gets
    // the switch appended, so no registered command line is refused for its length.
    std::wstring binaryPath = commandLine + kServiceSwitch;
    // LocalSystem (no account, no password), no load-order group, no tag; the
    // dependency is set by a separate step.
    tesk::UniqueServiceHandle created(::CreateServiceW(
        manager.get(), serviceName, serviceName, SERVICE_ALL_ACCESS, kServerServiceType,
        startType, SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr,
        nullptr));
    TESK_RETURN_LAST_ERROR_IF(!created);
    return S_OK;
}

}  // namespace

HRESULT InstallServerService(const wchar_t* serviceName, const std::wstring& commandLine,
                             bool automaticStart) {
    TESK_RETURN_IF(!serviceName || !*serviceName, E_INVALIDARG);
    tesk::UniqueServiceHandle existing;
    TESK_RETURN_IF_FAILED(OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &existing));

    DWORD startType = automaticStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
    if (existing) return ChangeStartType(existing.get(), startType);
    return CreateServerService(serviceName, commandLine, startType);
}

HRESULT SetServiceDependency(const wchar_t* serviceName, const wchar_t* dependencies) {
    tesk::UniqueServiceHandle service;
    TESK_RETURN_IF_FAILED(OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &service));
    // No service here means the installation step failed and has said so already.
    TESK_RETURN_IF(!service, S_OK);
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    TESK_RETURN_IF(FAILED(ReadServiceConfig(service.get(), config)), S_OK);

    // A list given here replaces whatever dependencies the service had.
    TESK_RETURN_LAST_ERROR_IF(!::ChangeServiceConfigW(
        service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr,
        nullptr, dependencies, nullptr, nullptr, config->lpDisplayName));
    return S_OK;
}

HRESULT DeleteServerService(const wchar_t* serviceName) {
    TESK_RETURN_IF(!serviceName, E_INVALIDARG);
    tesk::UniqueServiceHandle service;
    TESK_RETURN_IF_FAILED(OpenLocalService(serviceName, DELETE, &service));
    TESK_RETURN_LAST_ERROR_IF(!service);
    TESK_RETURN_LAST_ERROR_IF(!::DeleteService(service.get()));
    return S_OK;
}
