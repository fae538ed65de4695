// The sample server under the Service Control Manager, end to end: installed
// as the agent installs TeskServers (binary path = command line + " -service"),
// started, seen through its events, stopped by a service stop request, deleted.
// Started and stopped through its stop event by the agent: service_start_test.cpp.

#include <windows.h>

#include <gtest/gtest.h>

#include "TeskSample_h.h"
#include "sample_fixture.h"
#include "support/test_support.h"

using namespace sample_test;

namespace {

DWORD ServiceState(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    if (!::QueryServiceStatus(service, &status)) return 0;
    return status.dwCurrentState;
}

bool WaitForServiceState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (ServiceState(service) == state) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(100);
    }
}

// The sample installed as an NT service for one test, deleted afterwards.
class InstalledService {
public:
    InstalledService(const RegisteredSample& sample, DWORD startType)
        : name_(sample.names().userTypeName) {
        manager_.reset(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        RemoveLeftover();
        const std::wstring binaryPath = sample.CommandLine(L"-service");
        service_.reset(::CreateServiceW(manager_.get(), name_.c_str(), name_.c_str(),
                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                                        SERVICE_ERROR_IGNORE, binaryPath.c_str(), nullptr,
                                        nullptr, nullptr, nullptr, nullptr));
        createError_ = service_ ? 0 : ::GetLastError();
    }
    ~InstalledService() {
        if (service_) {
            SERVICE_STATUS status;
            ::ControlService(service_.get(), SERVICE_CONTROL_STOP, &status);
            WaitForServiceState(service_.get(), SERVICE_STOPPED, 20000);
            ::DeleteService(service_.get());
        }
    }
    SC_HANDLE get() const { return service_.get(); }
    DWORD createError() const { return createError_; }
    SC_HANDLE manager() const { return manager_.get(); }
    const std::wstring& name() const { return name_; }

private:
    void RemoveLeftover() {
        tesk::UniqueServiceHandle old(::OpenServiceW(manager_.get(), name_.c_str(),
                                                     SERVICE_ALL_ACCESS));
        if (!old) return;
        SERVICE_STATUS status;
        ::ControlService(old.get(), SERVICE_CONTROL_STOP, &status);
        WaitForServiceState(old.get(), SERVICE_STOPPED, 20000);
        ::DeleteService(old.get());
    }
    std::wstring name_;
    tesk::UniqueServiceHandle manager_;
    tesk::UniqueServiceHandle service_;
    DWORD createError_ = 0;
};

}  // namespace

TEST(SampleService, EndsOnAServiceStopRequest) {
    RegisteredSample sample(232, L"-publish none");
    InstalledService service(sample, SERVICE_DEMAND_START);
    ASSERT_TRUE(service.get()) << "CreateServiceW failed with " << service.createError();
    const SampleNames& names = sample.names();

    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForServiceState(service.get(), SERVICE_RUNNING, 30000));
    EXPECT_TRUE(EventExists(PresenceEvent(names)));
    EXPECT_TRUE(EventExists(StopEvent(names), EVENT_ALL_ACCESS));

    SERVICE_STATUS status = {};
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwControlsAccepted & SERVICE_ACCEPT_STOP, DWORD{SERVICE_ACCEPT_STOP});
    ASSERT_TRUE(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status))
        << ::GetLastError();
    EXPECT_TRUE(WaitForServiceState(service.get(), SERVICE_STOPPED, 20000));
    EXPECT_TRUE(WaitForEventState(PresenceEvent(names), false, 5000));
    EXPECT_FALSE(EventExists(StopEvent(names)));
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, DWORD{NO_ERROR});

    // Deleted, it is gone once its last handle is closed.
    ASSERT_TRUE(::DeleteService(service.get()));
}

TEST(SampleService, ComActivationStartsTheServiceWithItsParameter) {
    RegisteredSample sample(233, L"-publish none -value 5");
    InstalledService service(sample, SERVICE_DEMAND_START);
    ASSERT_TRUE(service.get()) << "CreateServiceW failed with " << service.createError();
    const SampleNames& names = sample.names();
    // The AppID values the agent writes for a server installed as a service.
    tesk_test::WriteString(HKEY_CLASSES_ROOT, L"AppID\\" + names.clsidText, L"LocalService",
                           service.name());
    tesk_test::WriteString(HKEY_CLASSES_ROOT, L"AppID\\" + names.clsidText,
                           L"ServiceParameters", L"-Service");

    tesk::UniqueComPtr<IServerPropertySource> source;
    ASSERT_EQ(::CoCreateInstance(names.clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                 IID_IServerPropertySource,
                                 reinterpret_cast<void**>(source.put())),
              S_OK);
    long value = 0;
    EXPECT_EQ(source->GetLongValue(&value), S_OK);
    EXPECT_EQ(value, 5);
    source.reset();
    EXPECT_EQ(ServiceState(service.get()), DWORD{SERVICE_RUNNING});
    ASSERT_TRUE(SetNamedEvent(StopEvent(names)));
    EXPECT_TRUE(WaitForServiceState(service.get(), SERVICE_STOPPED, 20000));
}

TEST(SampleService, ReportsWhyItCouldNotRun) {
    RegisteredSample sample(234, L"-publish none");
    InstalledService service(sample, SERVICE_DEMAND_START);
    ASSERT_TRUE(service.get()) << "CreateServiceW failed with " << service.createError();
    // A process of the same instance runs already: the service cannot be that server.
    RunningSample running;
    ASSERT_TRUE(running.Start(234, L"-publish none"));

    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForServiceState(service.get(), SERVICE_STOPPED, 30000));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, DWORD{ERROR_SERVICE_SPECIFIC_ERROR});
    EXPECT_EQ(status.dwServiceSpecificExitCode,
              static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)));
    // The running process is untouched.
    EXPECT_FALSE(running.WaitForExit(0));
    EXPECT_TRUE(running.Quit());
}
