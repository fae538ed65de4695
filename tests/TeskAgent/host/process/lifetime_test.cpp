// The agent process lives exactly while it is used: it ends a little over six
// seconds after the last object and the last server lock are released.
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "TeskAgent/host/process/agent_process.h"
#include "host/server_module.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using namespace tesk_test;

namespace {

// Idle time plus linger is a little over 6 s; the bounds leave room for a slow machine.
constexpr long kEarliestExitMs = 5500;
constexpr DWORD kLatestExitMs = 20000;

class LifetimeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WaitForNoAgentProcess()) << "an agent is still running"; }
};

TEST_F(LifetimeTest, StaysWhileAnyClientHoldsAnObjectAndEndsTheIdleTimeAfterTheLast) {
    tesk::UniqueComPtr<IUnknown> first, second;
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(first.put())), S_OK);
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(second.put())), S_OK);
    tesk::UniqueKernelHandle process = OpenTheAgentProcess();
    ASSERT_TRUE(process) << "both objects must come from one agent process";

    first.reset();
    EXPECT_EQ(MillisecondsUntilExit(process.get(), 8000), -1) << "ended while an object was held";

    second.reset();
    long exitMs = MillisecondsUntilExit(process.get(), kLatestExitMs);
    EXPECT_GE(exitMs, kEarliestExitMs);
    EXPECT_NE(exitMs, -1);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
}

TEST_F(LifetimeTest, ReturnToUseDuringTheIdleTimeKeepsTheProcess) {
    tesk::UniqueComPtr<IUnknown> agent;
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(agent.put())), S_OK);
    tesk::UniqueKernelHandle process = OpenTheAgentProcess();
    ASSERT_TRUE(process);
    agent.reset();

    ::Sleep(3000);
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(agent.put())), S_OK);
    EXPECT_EQ(MillisecondsUntilExit(process.get(), 6000), -1) << "ended while an object was held";
    agent.reset();
    EXPECT_NE(MillisecondsUntilExit(process.get(), kLatestExitMs), -1);
}

TEST_F(LifetimeTest, CreationThroughAHeldClassObjectAsTheProcessEndsKeepsItServing) {
    tesk::UniqueComPtr<IClassFactory> factory;
    ASSERT_EQ(::CoGetClassObject(CLSID_Tesk_Agent, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                 reinterpret_cast<void**>(factory.put())),
              S_OK);
    tesk::UniqueKernelHandle process = OpenTheAgentProcess();
    ASSERT_TRUE(process);
    {
        tesk::UniqueComPtr<IUnknown> first;
        ASSERT_EQ(
            factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(first.put())),
            S_OK);
    }
    // The class object is no lock: the idle time runs out, the class object is
    // revoked, and this creation reaches the process as it lingers.
    ::Sleep(ServerModule::kIdleMilliseconds + 400);
    tesk::UniqueComPtr<ITeskRot> rot;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITeskRot, reinterpret_cast<void**>(rot.put())),
              S_OK);
    _variant_t found;
    EXPECT_EQ(
        rot->TeskRotGetActiveObject(_bstr_t(L"{0A1B2C3D-0000-4000-8000-00000000B002}"), &found),
        E_FAIL);
    EXPECT_EQ(MillisecondsUntilExit(process.get(), 3000), -1) << "ended while an object was held";
    // Back in service, the process is the one new clients reach.
    tesk::UniqueComPtr<IUnknown> another;
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(another.put())), S_OK);
    EXPECT_EQ(FindProcesses(kAgentExeName).size(), 1u) << "a second agent process was started";
    another.reset();
    rot.reset();
    factory.reset();
    EXPECT_NE(MillisecondsUntilExit(process.get(), kLatestExitMs), -1);
}

TEST_F(LifetimeTest, StartedByHandItServesUntilItsLastClientIsGone) {
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    std::wstring line = L"\"" TESK_AGENT_EXE L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started));
    tesk::UniqueKernelHandle process(started.hProcess), thread(started.hThread);

    // No client at all: it keeps running.
    EXPECT_EQ(MillisecondsUntilExit(process.get(), 8000), -1);

    tesk::UniqueComPtr<IUnknown> agent;
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(agent.put())), S_OK);
    EXPECT_EQ(FindProcesses(kAgentExeName).size(), 1u) << "the running agent serves the client";
    agent.reset();
    long exitMs = MillisecondsUntilExit(process.get(), kLatestExitMs);
    EXPECT_GE(exitMs, kEarliestExitMs);
    EXPECT_NE(exitMs, -1);
}

TEST_F(LifetimeTest, AnEntryInTheTeskRotIsNoLockOnTheProcess) {
    // A plain object of this process, entered in the agent's table.
    CountedObject published;
    {
        tesk::UniqueComPtr<ITeskRot> rot;
        ASSERT_EQ(CreateAgent(IID_ITeskRot, reinterpret_cast<void**>(rot.put())), S_OK);
        _variant_t value(static_cast<IUnknown*>(&published));
        EXPECT_EQ(
            rot->TeskRotRegister(_bstr_t(L"{0A1B2C3D-0000-4000-8000-00000000B001}"), value),
            S_OK);
    }
    tesk::UniqueKernelHandle process = OpenTheAgentProcess();
    ASSERT_TRUE(process);
    long exitMs = MillisecondsUntilExit(process.get(), kLatestExitMs);
    EXPECT_NE(exitMs, -1) << "the published object kept the agent alive";
    // The table's reference went with the process.
    ::CoDisconnectObject(&published, 0);
    EXPECT_EQ(published.refs(), 1u);
}

}  // namespace
