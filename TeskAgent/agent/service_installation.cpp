#include "agent/service_installation.h"

#include "agent/server_service.h"
#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/ServerCommandLine.h"
#include "support/unique_resource.h"

namespace {

// Own process, and allowed to interact with the desktop as the servers did
// when they ran as programs.
constexpr DWORD kServerServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
constexpr wchar_t kServiceSwitch[] = L" -service";

// Every change leaves everything but what it names as it is; the display name
// is passed back unchanged. The binary path is written anew so that a path
// stored without quotes by an earlier installation is quoted from now on.
HRESULT ChangeStartType(SC_HANDLE service, DWORD startType, const std::wstring& binaryPath) {
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    TESK_RETURN_IF_FAILED(ReadServiceConfig(service, config));
    TESK_RETURN_LAST_ERROR_IF(!::ChangeServiceConfigW(
        service, SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, binaryPath.c_str(), nullptr,
        nullptr, nullptr, nullptr, nullptr, config->lpDisplayName));
    return S_OK;
}

HRESULT CreateServerService(const wchar_t* serviceName, const std::wstring& binaryPath,
                            DWORD startType) {
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CREATE_SERVICE));
    TESK_RETURN_LAST_ERROR_IF(!manager);
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

std::wstring ServerServiceBinaryPath(const std::wstring& exe, const std::wstring& args) {
    // Built without a fixed limit, so no registered command line is refused for its length.
    return QuotedCommandLine(exe, args) + kServiceSwitch;
}

HRESULT InstallServerService(const wchar_t* serviceName, const std::wstring& binaryPath,
                             bool automaticStart) {
    TESK_RETURN_IF(!serviceName || !*serviceName, E_INVALIDARG);
    tesk::UniqueServiceHandle existing;
    TESK_RETURN_IF_FAILED(OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &existing));

    DWORD startType = automaticStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
    if (existing) return ChangeStartType(existing.get(), startType, binaryPath);
    return CreateServerService(serviceName, binaryPath, startType);
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
