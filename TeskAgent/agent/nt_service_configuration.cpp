#include "agent/nt_service_configuration.h"

#include <string>

#include "agent/server_service.h"
#include "agent/service_appid_values.h"
#include "agent/service_installation.h"
#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "interfaces/ClassUtilities/ServerCommandLine.h"
#include "interfaces/ClassUtilities/TeskAgentHelpers.h"
#include "support/unique_resource.h"

namespace {

// Warning texts. Exact wording: do not correct ("regitry", "dependacy" and all).
constexpr wchar_t kAppIdValuesNotRemoved[] = L"Error removing NT Service related regitry keys.";
constexpr wchar_t kServiceNotRemoved[] = L"Error removing NT Service.";
constexpr wchar_t kAppIdValuesNotSet[] = L"Error installing NT Service related regitry keys.";
constexpr wchar_t kServiceNotInstalled[] = L"Error installing NT Service.";
constexpr wchar_t kDependencyNotSet[] =
    L"Failed to set the dependacy of TeskServer '%s' to Palvane Service.";
constexpr wchar_t kServerNotInstalled[] = L"Specified Server ('%s') is not installed.";

// Every installed server depends on the protocol service; double-null-terminated.
constexpr wchar_t kServerDependencies[] = L"plvsvc\0";

// Lets a service that is being started or stopped by the Service Control
// Manager settle before its configuration is changed.
constexpr DWORD kSettleMilliseconds = 1500;

// True when the service already is what the client asks for.
bool AlreadyConfigured(const wchar_t* serviceName, LONG serviceType) {
    DWORD startType = 0;
    if (FAILED(QueryServiceStartType(serviceName, &startType)))
        return serviceType == service_request::kNoService;
    return (startType == SERVICE_DEMAND_START && serviceType == service_request::kDemandStart) ||
           (startType == SERVICE_AUTO_START && serviceType == service_request::kAutoStart);
}

void RemoveService(const wchar_t* serviceName, REFCLSID clsid) {
    if (FAILED(RemoveServiceAppIdValues(clsid))) GuardedLogWarning(kAppIdValuesNotRemoved);
    if (FAILED(DeleteServerService(serviceName))) GuardedLogWarning(kServiceNotRemoved);
}

void InstallService(const wchar_t* serviceName, REFCLSID clsid, const std::wstring& binaryPath,
                    bool automaticStart) {
    if (FAILED(SetServiceAppIdValues(serviceName, clsid))) GuardedLogWarning(kAppIdValuesNotSet);
    if (FAILED(InstallServerService(serviceName, binaryPath, automaticStart)))
        GuardedLogWarning(kServiceNotInstalled);
    if (FAILED(SetServiceDependency(serviceName, kServerDependencies)))
        GuardedLogWarning(kDependencyNotSet, serviceName);
}

}  // namespace

HRESULT ConfigureServerService(const wchar_t* serverName, LONG serviceType) {
    const wchar_t* name = serverName ? serverName : L"";
    // One server, one registry view: its name, command line and AppID key are
    // all read where its class is registered.
    TeskAgentHelpers::ServerIdentity server = TeskAgentHelpers::ResolveServer(name);
    const CLSID& clsid = server.clsid;
    if (!server.IsKnown()) {
        // Returned, not raised: an unknown server is told by a warning only.
        GuardedLogWarning(kServerNotInstalled, name);
        return E_FAIL;
    }

    // The service is named by the class's full user-type name, as the
    // activity and start methods look it up.
    tesk::UniqueCoTaskString serviceName = TeskAgentHelpers::UserTypeNameOf(server);
    if (!serviceName) TESK_RAISE(E_FAIL);

    // The registered command line itself, quotes included: its executable is
    // quoted again in the binary path, so the system cannot start a program
    // planted where a path with a blank could be cut short.
    std::wstring exe, args;
    // Returned, not raised, like the unknown server above.
    TESK_RETURN_IF(FAILED(SplitServerCommandLine(TeskAgentHelpers::GetLocalServerCommandLine(server),
                                                 exe, args)),
                   E_INVALIDARG);

    if (AlreadyConfigured(serviceName.get(), serviceType)) return S_OK;

    ::Sleep(kSettleMilliseconds);
    switch (serviceType) {
    case service_request::kNoService:
        RemoveService(serviceName.get(), clsid);
        break;
    case service_request::kDemandStart:
    case service_request::kAutoStart:
        InstallService(serviceName.get(), clsid, ServerServiceBinaryPath(exe, args),
                       serviceType == service_request::kAutoStart);
        break;
    default:
        TESK_RAISE(E_INVALIDARG);
    }
    return S_OK;
}
