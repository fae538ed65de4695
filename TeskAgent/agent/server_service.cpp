#include "agent/server_service.h"

#include "diagnostics/com_eh.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"

namespace {

// Null when the class has no user-type name.
tesk::UniqueCoTaskString ServiceNameOf(REFCLSID clsid) {
    tesk::UniqueCoTaskString serviceName;
    if (FAILED(::OleRegGetUserType(clsid, USERCLASSTYPE_FULL, serviceName.put()))) return {};
    return serviceName;
}

tesk::UniqueServiceHandle OpenFullAccess(const wchar_t* serviceName) {
    tesk::UniqueServiceHandle service;
    if (serviceName) OpenLocalService(serviceName, SERVICE_ALL_ACCESS, &service);
    return service;
}

}  // namespace

bool OpenLocalService(const wchar_t* serviceName, DWORD access,
                      tesk::UniqueServiceHandle* service) {
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return false;
    service->reset(::OpenServiceW(manager.get(), serviceName, access));
    return true;
}

bool ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config) {
    DWORD needed = 0;
    while (!::QueryServiceConfigW(service, config.get(), config.size(), &needed)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) return false;
        if (needed <= config.size() || !config.Allocate(needed)) return false;
    }
    return true;
}

tesk::UniqueServiceHandle OpenServerService(const wchar_t* serverName) {
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    if (clsid == GUID_NULL) TESK_RAISE(E_FAIL);
    return OpenFullAccess(ServiceNameOf(clsid).get());
}

bool QueryServiceStartType(const wchar_t* serviceName, DWORD* startType) {
    tesk::UniqueServiceHandle service = OpenFullAccess(serviceName);
    if (!service) return false;
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    if (!ReadServiceConfig(service.get(), config)) return false;
    *startType = config->dwStartType;
    return true;
}

bool QueryServerStartType(REFCLSID clsid, DWORD* startType) {
    return QueryServiceStartType(ServiceNameOf(clsid).get(), startType);
}
