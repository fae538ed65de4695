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

HRESULT OpenLocalService(const wchar_t* serviceName, DWORD access,
                         tesk::UniqueServiceHandle* service) {
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    TESK_RETURN_LAST_ERROR_IF(!manager);
    service->reset(::OpenServiceW(manager.get(), serviceName, access));
    return S_OK;
}

HRESULT ReadServiceConfig(SC_HANDLE service, CAutoBuf<QUERY_SERVICE_CONFIGW>& config) {
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

tesk::UniqueServiceHandle OpenServerService(const wchar_t* serverName) {
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    if (clsid == GUID_NULL) TESK_RAISE(E_FAIL);
    return OpenFullAccess(ServiceNameOf(clsid).get());
}

HRESULT QueryServiceStartType(const wchar_t* serviceName, DWORD* startType) {
    tesk::UniqueServiceHandle service = OpenFullAccess(serviceName);
    TESK_RETURN_LAST_ERROR_IF(!service);
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    TESK_RETURN_IF_FAILED(ReadServiceConfig(service.get(), config));
    *startType = config->dwStartType;
    return S_OK;
}

HRESULT QueryServerStartType(REFCLSID clsid, DWORD* startType) {
    return QueryServiceStartType(ServiceNameOf(clsid).get(), startType);
}
