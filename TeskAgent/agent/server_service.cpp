#include "agent/server_service.h"

#include "diagnostics/returned_failure.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/win32_result.h"

namespace {

// QueryServiceConfigW never needs more: one round trip instead of a sizing
// call first.
constexpr DWORD kConfigBytes = 8 * 1024;

tesk::UniqueServiceHandle OpenFullAccess(const wchar_t* serviceName) {
    tesk::UniqueServiceHandle service;
    if (serviceName) OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &service);
    return service;
}

}  // namespace

HRESULT OpenLocalService(const wchar_t* serviceName, DWORD access,
                         tesk::UniqueServiceHandle* service) {
    TESK_RETURN_LAST_ERROR_IF(!service_manager::IsReachable());
    *service = service_manager::OpenService(serviceName, access);
    return S_OK;
}

HRESULT ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config) {
    if (config.size() == 0) config.Allocate(kConfigBytes);
    DWORD needed = 0;
    while (!::QueryServiceConfigW(service, config.get(), config.size(), &needed)) {
        const DWORD error = ::GetLastError();
        TESK_RETURN_IF(error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA,
                       tesk::Win32Result(error));
        TESK_RETURN_IF(needed <= config.size(), tesk::Win32Result(error));
        TESK_RETURN_IF(!config.Allocate(needed), E_OUTOFMEMORY);
    }
    return S_OK;
}

tesk::UniqueServiceHandle OpenServerService(const TeskAgentHelpers::ServerIdentity& server) {
    return OpenFullAccess(TeskAgentHelpers::UserTypeNameOf(server).get());
}

HRESULT QueryServiceStartType(const wchar_t* serviceName, DWORD* startType,
                              const service_manager::InstalledServices* installed) {
    TESK_RETURN_IF(!serviceName || (installed && !installed->MayExist(serviceName)),
                   tesk::Win32Result(ERROR_SERVICE_DOES_NOT_EXIST));
    tesk::UniqueServiceHandle service = OpenFullAccess(serviceName);
    TESK_RETURN_LAST_ERROR_IF(!service);
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    TESK_RETURN_IF_FAILED(ReadServiceConfig(service.get(), config));
    *startType = config->dwStartType;
    return S_OK;
}

HRESULT QueryServerStartType(const TeskAgentHelpers::ServerIdentity& server, DWORD* startType,
                             const service_manager::InstalledServices* installed) {
    return QueryServiceStartType(TeskAgentHelpers::UserTypeNameOf(server).get(), startType,
                                 installed);
}
