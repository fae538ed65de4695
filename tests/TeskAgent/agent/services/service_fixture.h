#pragma once
// Services and read-backs for the NT-service tests. Every service a test
// makes is removed at its end, also when it fails (test classes:
// tesk_test::ScopedTestClass).

#include <windows.h>

#include <string>
#include <vector>

#include "support/unique_resource.h"
#include "test_paths.h"

// The stand-in protocol service (plvsvc_fixture.cpp); also a harmless command
// line for the server classes.
#define TESK_PLVSVC_FIXTURE_EXE TESK_BUILD_DIR L"\\tests\\TeskAgent\\agent\\services\\TeskTestPlvsvcFixture.exe"

namespace services_test {

// Removes the named service at the end of the scope: stopped first when it
// runs, then deleted, waiting until it is gone.
class ScopedServiceRemoval {
public:
    explicit ScopedServiceRemoval(std::wstring name) : name_(std::move(name)) {}
    ~ScopedServiceRemoval();
    ScopedServiceRemoval(const ScopedServiceRemoval&) = delete;
    ScopedServiceRemoval& operator=(const ScopedServiceRemoval&) = delete;

private:
    std::wstring name_;
};

// An NT service made for one test (a leftover of that name goes first),
// stopped and deleted at the end of the scope.
class ScopedService {
public:
    ScopedService(const std::wstring& name, const std::wstring& binaryPath, DWORD startType);
    ~ScopedService();
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;
    explicit operator bool() const { return static_cast<bool>(service_); }
    SC_HANDLE get() const { return service_.get(); }
    DWORD createError() const { return createError_; }
    const std::wstring& name() const { return name_; }
    DWORD State() const;  // 0 when it cannot be queried
    bool WaitForState(DWORD state, DWORD timeoutMs) const;

private:
    std::wstring name_;
    tesk::UniqueServiceHandle service_;
    DWORD createError_ = 0;
};

// Installs the stand-in protocol service "plvsvc" unless the machine has one,
// and removes it again when it was installed here.
class ScopedProtocolService {
public:
    ScopedProtocolService();
    ~ScopedProtocolService();
    bool available() const { return available_; }

private:
    bool available_ = false;
    bool installed_ = false;
};

struct ServiceConfig {
    bool exists = false;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring binaryPath;
    std::wstring account;
    std::wstring displayName;
};
ServiceConfig ReadServiceConfig(const std::wstring& name);

// The service's dependencies as the registry keeps them (DependOnService).
std::vector<std::wstring> StoredDependencies(const std::wstring& name);

// Changes what ConfigureNTService must keep or replace: display name and
// dependencies (double-null-terminated); false when the change fails.
bool ChangeDisplayAndDependencies(const std::wstring& name, const wchar_t* displayName,
                                  const wchar_t* dependencies);

DWORD QueryServiceState(const std::wstring& name);  // 0 when it cannot be queried

}  // namespace services_test
