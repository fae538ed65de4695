// Argument handling of the agent's methods, against an agent object made in
// this process: null [out] pointers (the marshaler would refuse them before the
// agent sees them), unknown names, and failures whose error information only
// this process can observe. Unknown and null server names, activity and the
// other cases a client can reach run across processes (agent_process_test.cpp).
#include <gtest/gtest.h>

#include "agent/server_activity.h"
#include "agent_object.h"
#include "agent_test_support.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using agent_test::HasErrorInfo;
using agent_test::ScopedTestClass;

namespace {

class AgentArgumentsTest : public testing::Test {
protected:
    ITesk_AgentPtr agent_ = agent_test::MakeAgentInProcess();
};

TEST_F(AgentArgumentsTest, NullOutPointersGiveEPointer) {
    ASSERT_TRUE(agent_);
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(agent_->GetInstalledServers(nullptr, &array, &array), E_POINTER);
    EXPECT_EQ(agent_->GetInstalledServers(&array, nullptr, &array), E_POINTER);
    EXPECT_EQ(agent_->GetInstalledServers(&array, &array, nullptr), E_POINTER);
    EXPECT_EQ(array, nullptr) << "nothing is built for a refused call";
    EXPECT_EQ(agent_->GetActiveConfigFile(_bstr_t(L"x"), nullptr), E_POINTER);
    EXPECT_EQ(agent_->GetTeskAgentOnRemoteNode(_bstr_t(L""), nullptr), E_POINTER);
    EXPECT_EQ(agent_->Connect(_bstr_t(L"x"), nullptr), E_POINTER);
    EXPECT_EQ(agent_->IsServerActive(_bstr_t(L"x"), nullptr), E_POINTER);
    EXPECT_EQ(agent_->GetConfigurator(nullptr), E_POINTER);
    EXPECT_FALSE(HasErrorInfo());
}

TEST_F(AgentArgumentsTest, ConnectToAServerInNeitherTableReturnsThePlatformsFailure) {
    ScopedTestClass server;
    IUnknown* found = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(agent_->Connect(_bstr_t(server.clsidText().c_str()), &found), MK_E_UNAVAILABLE);
    EXPECT_EQ(found, nullptr);
    EXPECT_FALSE(HasErrorInfo()) << "returned, not raised";
}

TEST_F(AgentArgumentsTest, ConnectFindsAnObjectEnteredUnderTheUpperCaseClsid) {
    ScopedTestClass server;
    server.WriteClassKey();
    server.WriteProgId();
    tesk_test::CountedObject object;
    ITeskRotPtr rot = agent_test::RotOf(agent_);
    std::wstring lower = tesk_test::Lower(server.clsidText());
    {
        agent_test::ScopedRotEntry lowerEntry(rot, lower.c_str());
        ASSERT_EQ(rot->TeskRotRegister(lowerEntry.key(), agent_test::UnknownVariant(&object)),
                  S_OK);
        IUnknown* found = nullptr;
        EXPECT_EQ(agent_->Connect(_bstr_t(server.progId().c_str()), &found), MK_E_UNAVAILABLE)
            << "a lower-case key is not the one Connect looks for";
    }
    {
        agent_test::ScopedRotEntry entry(rot, server.clsidText().c_str());
        ASSERT_EQ(rot->TeskRotRegister(entry.key(), agent_test::UnknownVariant(&object)), S_OK);
        for (const std::wstring& name : {server.progId(), lower}) {
            tesk::UniqueComPtr<IUnknown> found;
            ASSERT_EQ(agent_->Connect(_bstr_t(name.c_str()), found.put()), S_OK);
            EXPECT_EQ(found.get(), &object);
            EXPECT_EQ(object.refs(), 3) << "the caller received one reference";
        }
    }
    EXPECT_EQ(object.refs(), 1);
}

}  // namespace
