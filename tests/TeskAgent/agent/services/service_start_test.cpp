// A sample TeskServer installed as an NT service by the agent really runs as
// that service when started through StartServer, reports the service's start
// mode in its activity word, and ends through its stop event.
#include <windows.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include "TeskAgent_h.h"
#include "samples/sample_fixture.h"
#include "TeskAgent/agent/services/service_fixture.h"
#include "support/test_support.h"

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));

namespace services_test {
namespace {

using sample_test::RegisteredSample;

constexpr unsigned kInstance = 0x5E21;

// Polls the activity word until it equals `expected`; returns the last word.
LONG WaitForActivity(ITesk_Agent* agent, const std::wstring& name, LONG expected,
                     DWORD timeoutMs) {
    LONG word = 0;
    for (DWORD waited = 0; waited <= timeoutMs; waited += 250) {
        if (FAILED(agent->IsServerActive(_bstr_t(name.c_str()), &word)) || word == expected)
            break;
        ::Sleep(250);
    }
    return word;
}

// A 64-bit server, and one registered in the 32-bit view as a 32-bit server
// would be (its command line names the 64-bit sample, which can run here).
class ServiceStartTest : public testing::TestWithParam<bool> {};

TEST_P(ServiceStartTest, InstalledServerStartsAsServiceAndStopsThroughItsEvent) {
    ScopedProtocolService protocol;
    ASSERT_TRUE(protocol.available());
    RegisteredSample sample(kInstance);
    ASSERT_EQ(sample.registrationResult(), 0);
    if (GetParam()) ASSERT_TRUE(sample.MoveTo32BitView());
    ScopedServiceRemoval removal(sample.names().userTypeName);
    ITesk_AgentPtr agent;
    ASSERT_HRESULT_SUCCEEDED(
        tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent)));
    _bstr_t name(sample.names().progId.c_str());

    ASSERT_EQ(S_OK, agent->ConfigureNTService(name, 2));
    EXPECT_EQ(0x00020001, WaitForActivity(agent, sample.names().progId, 0x00020001, 0));
    ASSERT_EQ(S_OK, agent->StartServer(name));
    EXPECT_EQ(0x00020003, WaitForActivity(agent, sample.names().progId, 0x00020003, 20000));
    // Started by the Service Control Manager, not as a plain process.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), QueryServiceState(sample.names().userTypeName));

    ASSERT_EQ(S_OK, agent->StopServer(name));
    EXPECT_EQ(0x00020001, WaitForActivity(agent, sample.names().progId, 0x00020001, 20000));
}

INSTANTIATE_TEST_SUITE_P(Views, ServiceStartTest, testing::Values(false, true));

}  // namespace
}  // namespace services_test
