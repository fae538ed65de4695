// IDispatch of ITesk_Agent, served from the registered type library, in process
// (names and invocation across processes: process/remote_identity_test.cpp).
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "host/agent_server.h"
#include "host/server_module.h"

_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));

namespace {

class AgentDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        ServerModule::Instance().Init(AgentObjectTable(), ::GetModuleHandleW(nullptr));
        ASSERT_EQ(CTesk_Agent::CreateInstance(nullptr, IID_IDispatch,
                                              reinterpret_cast<void**>(&dispatch_)),
                  S_OK);
    }
    IDispatchPtr dispatch_;
};

TEST_F(AgentDispatchTest, TypeInformationIsThatOfTheAgentInterface) {
    UINT count = 0;
    EXPECT_EQ(dispatch_->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    ITypeInfo* first = nullptr;
    ITypeInfo* other = nullptr;
    ASSERT_EQ(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &first), S_OK);
    ASSERT_EQ(dispatch_->GetTypeInfo(7, LOCALE_USER_DEFAULT, &other), S_OK);
    EXPECT_EQ(first, other) << "the index is not looked at";
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(first->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_ITesk_Agent));
    first->ReleaseTypeAttr(attributes);
    first->Release();
    other->Release();
    EXPECT_EQ(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
}

}  // namespace
