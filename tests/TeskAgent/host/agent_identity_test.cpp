// The class object and agent objects in process, for what a client in another
// process cannot see: server locks, null out-pointers, raw pointers and counts.
// Identity and aggregation across processes: process/remote_identity_test.cpp.
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "host/agent_server.h"
#include "host/class_factory.h"
#include "host/server_module.h"

_COM_SMARTPTR_TYPEDEF(IClassFactory, __uuidof(IClassFactory));

namespace {

class AgentIdentityTest : public testing::Test {
protected:
    void SetUp() override {
        ServerModule::Instance().Init(AgentObjectTable(), ::GetModuleHandleW(nullptr));
        ASSERT_EQ(CreateClassFactory(CTesk_Agent::CreateInstance, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory_)),
                  S_OK);
        baseline_ = ServerModule::Instance().LockCount();
    }
    void TearDown() override {
        factory_ = nullptr;
        EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_) << "a server lock leaked";
    }
    IClassFactoryPtr factory_;
    LONG baseline_ = 0;
};

TEST_F(AgentIdentityTest, EachObjectHoldsOneServerLockForItsLifetime) {
    IUnknown* first = nullptr;
    IUnknown* second = nullptr;
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&first)),
              S_OK);
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_ + 1);
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_ITeskRot, reinterpret_cast<void**>(&second)),
              S_OK);
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_ + 2);
    first->Release();
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_ + 1);
    second->Release();
}

TEST_F(AgentIdentityTest, CreateInstanceRefusesBadArgumentsWithoutLeakingALock) {
    // Across processes COM refuses an outer object before the agent sees it.
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory_.GetInterfacePtr());
    for (REFIID iid : {IID_IUnknown, IID_ITesk_Agent}) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(factory_->CreateInstance(outer, iid, &object), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(object, nullptr);
    }
    void* object = nullptr;
    EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    // A refused interface destroys the new object again, with its server lock.
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory_->CreateInstance(nullptr, IID_ISupportErrorInfo, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_);
}

TEST_F(AgentIdentityTest, LockServerCountsLocksUntilReleased) {
    EXPECT_EQ(factory_->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory_->LockServer(TRUE), S_OK);
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_ + 2);
    EXPECT_EQ(factory_->LockServer(FALSE), S_OK);
    EXPECT_EQ(ServerModule::Instance().LockCount(), baseline_ + 1);
    EXPECT_EQ(factory_->LockServer(FALSE), S_OK);
}

TEST_F(AgentIdentityTest, InterfacesShareOnePointerAndOneCount) {
    ITesk_Agent* agent = nullptr;
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_ITesk_Agent, reinterpret_cast<void**>(&agent)),
              S_OK);
    IUnknown* unknown = nullptr;
    IDispatch* dispatch = nullptr;
    ITeskRot* rot = nullptr;
    ASSERT_EQ(agent->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(agent->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    ASSERT_EQ(agent->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(&rot)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(agent));
    EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(agent));
    // (Refused interfaces: process/remote_identity_test.cpp.)
    EXPECT_EQ(agent->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    for (IUnknown* p : {static_cast<IUnknown*>(rot), static_cast<IUnknown*>(dispatch), unknown})
        p->Release();
    // One shared count: after four references the last release reports 0.
    EXPECT_EQ(agent->Release(), 0u);
}

}  // namespace
