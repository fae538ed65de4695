#include "agent/service_manager.h"

#include <vector>

namespace service_manager {

namespace {

// Connect to open services, enumerate to list them; both are granted to every
// authenticated user.
constexpr DWORD kManagerAccess = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;

tesk::UniqueServiceHandle& Connection() {
    static tesk::UniqueServiceHandle connection;
    return connection;
}

SC_HANDLE Connect() {
    tesk::UniqueServiceHandle& connection = Connection();
    if (!connection)
        connection.reset(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, kManagerAccess));
    return connection.get();
}

// Failures that say the connection no longer works, as opposed to answers
// about a service (missing, access denied, ...).
bool ConnectionLost(DWORD error) {
    switch (error) {
    case ERROR_INVALID_HANDLE:
    case RPC_S_SERVER_UNAVAILABLE:
    case RPC_S_CALL_FAILED:
    case RPC_S_CALL_FAILED_DNE:
    case RPC_S_INVALID_BINDING:
    case RPC_X_SS_IN_NULL_CONTEXT:
        return true;
    default:
        return false;
    }
}

// Runs call(manager) and, when it fails because the connection is gone,
// once more on a new connection. call returns false on failure with the
// thread's last error set.
template <class Call>
bool WithConnection(Call call) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        SC_HANDLE manager = Connect();
        if (!manager) return false;
        if (call(manager)) return true;
        if (!ConnectionLost(::GetLastError())) return false;
        Connection().reset();
    }
    return false;
}

std::wstring Upper(const wchar_t* text) {
    std::wstring upper(text);
    if (!upper.empty()) ::CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    return upper;
}

}  // namespace

tesk::UniqueServiceHandle OpenService(const wchar_t* serviceName, DWORD access) {
    tesk::UniqueServiceHandle service;
    WithConnection([&](SC_HANDLE manager) {
        service.reset(::OpenServiceW(manager, serviceName, access));
        return static_cast<bool>(service);
    });
    return service;
}

bool IsReachable() { return Connect() != nullptr; }

InstalledServices::InstalledServices() {
    std::vector<BYTE> buffer;
    complete_ = WithConnection([&](SC_HANDLE manager) {
        names_.clear();
        DWORD needed = 0, returned = 0, resume = 0;
        // The buffer grows to what the manager asks for; a list that grew
        // meanwhile asks again.
        for (;;) {
            BOOL done = ::EnumServicesStatusExW(
                manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL,
                buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()),
                &needed, &returned, &resume, nullptr);
            DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
            if (!done && error != ERROR_MORE_DATA) return false;
            auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
            for (DWORD i = 0; i < returned; ++i) names_.insert(Upper(entries[i].lpServiceName));
            if (done) return true;
            if (needed > buffer.size()) buffer.resize(needed);
        }
    });
}

bool InstalledServices::MayExist(const wchar_t* serviceName) const {
    return !complete_ || names_.count(Upper(serviceName)) != 0;
}

}  // namespace service_manager
