#include "agent/server_service.h"

#include "agent/CAutoBuf.h"
#include "diagnostics/com_eh.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"

tesk::UniqueServiceHandle OpenServerService(const wchar_t* serverName) {
    CLSID clsid = TeskAgentHelpers::GetServerGuid(serverName);
    if (clsid == GUID_NULL) TESK_RAISE(E_FAIL);

    tesk::UniqueCoTaskString serviceName;
    if (FAILED(::OleRegGetUserType(clsid, USERCLASSTYPE_FULL, serviceName.put()))) return {};

    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return {};
    return tesk::UniqueServiceHandle(
        ::OpenServiceW(manager.get(), serviceName.get(), SERVICE_ALL_ACCESS));
}

bool QueryServerStartType(const wchar_t* serverName, DWORD* startType) {
    tesk::UniqueServiceHandle service = OpenServerService(serverName);
    if (!service) return false;

    // Grown to the size the Service Control Manager asks for until it fits.
    CAutoBuf<QUERY_SERVICE_CONFIGW> config;
    DWORD needed = 0;
    while (!::QueryServiceConfigW(service.get(), config.get(), config.size(), &needed)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) return false;
        if (needed <= config.size() || !config.Allocate(needed)) return false;
    }
    *startType = config->dwStartType;
    return true;
}
