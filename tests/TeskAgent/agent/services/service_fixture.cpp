#include "TeskAgent/agent/services/service_fixture.h"

#include "support/test_support.h"

namespace services_test {

namespace {

constexpr wchar_t kProtocolService[] = L"plvsvc";

tesk::UniqueServiceHandle OpenService(const std::wstring& name, DWORD access) {
    tesk::UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return {};
    return tesk::UniqueServiceHandle(::OpenServiceW(manager.get(), name.c_str(), access));
}

bool WaitUntilGone(const std::wstring& name, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        if (!OpenService(name, SERVICE_QUERY_STATUS)) return true;
        ::Sleep(100);
    }
    return false;
}

void StopAndDelete(const std::wstring& name) {
    tesk::UniqueServiceHandle service =
        OpenService(name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) return;
    SERVICE_STATUS status = {};
    if (::ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        for (int i = 0; i < 100 && ::QueryServiceStatus(service.get(), &status) &&
                        status.dwCurrentState != SERVICE_STOPPED;
             ++i)
            ::Sleep(100);
    }
    ::DeleteService(service.get());
    service.reset();  // the system removes it once its last handle is closed
    WaitUntilGone(name, 10000);
}

}  // namespace

ScopedServiceRemoval::~ScopedServiceRemoval() { StopAndDelete(name_); }

ScopedService::ScopedService(const std::wstring& name, const std::wstring& binaryPath,
                             DWORD startType)
    : name_(name) {
    StopAndDelete(name_);
    tesk::UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    service_.reset(::CreateServiceW(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                    binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr,
                                    nullptr));
    createError_ = service_ ? 0 : ::GetLastError();
}

ScopedService::~ScopedService() {
    service_.reset();
    StopAndDelete(name_);
}

DWORD ScopedService::State() const { return QueryServiceState(name_); }

bool ScopedService::WaitForState(DWORD state, DWORD timeoutMs) const {
    for (DWORD waited = 0;; waited += 100) {
        if (State() == state) return true;
        if (waited >= timeoutMs) return false;
        ::Sleep(100);
    }
}

ScopedProtocolService::ScopedProtocolService() {
    if (OpenService(kProtocolService, SERVICE_QUERY_STATUS)) {
        available_ = true;
        return;
    }
    tesk::UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    tesk::UniqueServiceHandle created(::CreateServiceW(
        manager.get(), kProtocolService, kProtocolService, SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
        L"\"" TESK_PLVSVC_FIXTURE_EXE L"\"",
        nullptr, nullptr, nullptr, nullptr, nullptr));
    available_ = installed_ = static_cast<bool>(created);
}

ScopedProtocolService::~ScopedProtocolService() {
    if (installed_) StopAndDelete(kProtocolService);
}

ServiceConfig ReadServiceConfig(const std::wstring& name) {
    ServiceConfig result;
    tesk::UniqueServiceHandle service = OpenService(name, SERVICE_QUERY_CONFIG);
    if (!service) return result;
    DWORD needed = 0;
    ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!::QueryServiceConfigW(service.get(), config, needed, &needed)) return result;
    result.exists = true;
    result.serviceType = config->dwServiceType;
    result.startType = config->dwStartType;
    result.errorControl = config->dwErrorControl;
    result.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
    result.account = config->lpServiceStartName ? config->lpServiceStartName : L"";
    result.displayName = config->lpDisplayName ? config->lpDisplayName : L"";
    return result;
}

std::vector<std::wstring> StoredDependencies(const std::wstring& name) {
    std::vector<std::wstring> names;
    std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\" + name;
    wchar_t data[1024] = {};
    DWORD bytes = sizeof(data) - 2 * sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"DependOnService", RRF_RT_REG_MULTI_SZ,
                       nullptr, data, &bytes) != ERROR_SUCCESS)
        return names;
    for (const wchar_t* entry = data; *entry; entry += names.back().size() + 1)
        names.emplace_back(entry);
    return names;
}

bool ChangeDisplayAndDependencies(const std::wstring& name, const wchar_t* displayName,
                                  const wchar_t* dependencies) {
    tesk::UniqueServiceHandle service = OpenService(name, SERVICE_CHANGE_CONFIG);
    return service && ::ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                             SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                             dependencies, nullptr, nullptr, displayName);
}

DWORD QueryServiceState(const std::wstring& name) {
    tesk::UniqueServiceHandle service = OpenService(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

}  // namespace services_test
