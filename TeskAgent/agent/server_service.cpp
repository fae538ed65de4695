#include "agent/server_service.h"

#include "interfaces/ClassUtilities/TeskAgentHelpers.h"

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

bool OpenLocalService(const wchar_t* serviceName, DWORD access,
                      tesk::UniqueServiceHandle* service) {
    if (!service_manager::IsReachable()) return false;
    *service = service_manager::OpenService(serviceName, access);
    return true;
}

bool ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config) {
    if (config.size() == 0) config.Allocate(kConfigBytes);
    DWORD needed = 0;
    while (!::QueryServiceConfigW(service, config.get(), config.size(), &needed)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) return false;
        if (needed <= config.size() || !config.Allocate(needed)) return false;
    }
    return true;
}

tesk::UniqueServiceHandle OpenServerService(const TeskAgentHelpers::ServerIdentity& server) {
    return OpenFullAccess(TeskAgentHelpers::UserTypeNameOf(server).get());
}

bool QueryServiceStartType(const wchar_t* serviceName, DWORD* startType,
                           const service_manager::InstalledServices* installed) {
    if (!serviceName || (installed && !installed->MayExist(serviceName))) return false;
    tesk::UniqueServiceHandle service = OpenFullAccess(serviceName);
    if (!service) return false;
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    if (!ReadServiceConfig(service.get(), config)) return false;
    *startType = config->dwStartType;
    return true;
}

bool QueryServerStartType(const TeskAgentHelpers::ServerIdentity& server, DWORD* startType,
                          const service_manager::InstalledServices* installed) {
    return QueryServiceStartType(TeskAgentHelpers::UserTypeNameOf(server).get(), startType,
                                 installed);
}
