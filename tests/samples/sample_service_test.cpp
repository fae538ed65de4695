// The sample server under the Service Control Manager, end to end: installed
// as the agent installs TeskServers (binary path = command line + " -service"),
// started, seen through its events, stopped by a service stop request, deleted.
// Started and stopped through its stop event by the agent: service_start_test.cpp.

#include <windows.h>

#include <gtest/gtest.h>

#include "TeskSample_h.h"
#include "sample_fixture.h"
#include "support/test_support.h"
#include "TeskAgent/agent/services/service_fixture.h"

using namespace sample_test;

namespace {

// The sample installed as the agent installs a TeskServer.
services_test::ScopedService InstalledAsService(const RegisteredSample& sample) {
    return {sample.names().userTypeName, sample.CommandLine(L"-service"), SERVICE_DEMAND_START};
}

}  // namespace

TEST(SampleService, EndsOnAServiceStopRequest) {
    RegisteredSample sample(232, L"-publish none");
    services_test::ScopedService service = InstalledAsService(sample);
    ASSERT_TRUE(service.get()) << "CreateServiceW failed with " << service.createError();
    const SampleNames& names = sample.names();

    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 30000));
    EXPECT_TRUE(EventExists(PresenceEvent(names)));
    EXPECT_TRUE(EventExists(StopEvent(names), EVENT_ALL_ACCESS));

    SERVICE_STATUS status = {};
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwControlsAccepted & SERVICE_ACCEPT_STOP, DWORD{SERVICE_ACCEPT_STOP});
    ASSERT_TRUE(::ControlService(service.get(), SERVICE_CONTROL_STOP, &status))
        << ::GetLastError();
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 20000));
    EXPECT_TRUE(WaitForEventState(PresenceEvent(names), false, 5000));
    EXPECT_FALSE(EventExists(StopEvent(names)));
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, DWORD{NO_ERROR});

    // Deleted, it is gone once its last handle is closed.
    ASSERT_TRUE(::DeleteService(service.get()));
}

TEST(SampleService, ComActivationStartsTheServiceWithItsParameter) {
    RegisteredSample sample(233, L"-publish none -value 5");
    services_test::ScopedService service = InstalledAsService(sample);
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
    EXPECT_EQ(service.State(), DWORD{SERVICE_RUNNING});
    ASSERT_TRUE(SetNamedEvent(StopEvent(names)));
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 20000));
}

TEST(SampleService, ReportsWhyItCouldNotRun) {
    RegisteredSample sample(234, L"-publish none");
    services_test::ScopedService service = InstalledAsService(sample);
    ASSERT_TRUE(service.get()) << "CreateServiceW failed with " << service.createError();
    // A process of the same instance runs already: the service cannot be that server.
    RunningSample running;
    ASSERT_TRUE(running.Start(234, L"-publish none"));

    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED, 30000));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwWin32ExitCode, DWORD{ERROR_SERVICE_SPECIFIC_ERROR});
    EXPECT_EQ(status.dwServiceSpecificExitCode,
              static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)));
    // The running process is untouched.
    EXPECT_FALSE(running.WaitForExit(0));
    EXPECT_TRUE(running.Quit());
}
