// The agent object as a client in another process sees it: identity,
// refusals and IDispatch through the proxies. (COM itself refuses an outer
// object across processes: the agent's refusal is tested in process.)
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "TeskAgent/host/process/agent_process.h"
#include "support/test_support.h"

using namespace tesk_test;

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));

namespace {

class RemoteAgentTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent_)), S_OK);
    }
    ITesk_AgentPtr agent_;
};

TEST_F(RemoteAgentTest, OneIdentityAcrossAllInterfaces) {
    tesk::UniqueComPtr<IUnknown> unknown, dispatch, rot, info, infoIdentity;
    ASSERT_EQ(agent_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.put())), S_OK);
    ASSERT_EQ(agent_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())), S_OK);
    ASSERT_EQ(agent_->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(rot.put())), S_OK);
    ASSERT_EQ(rot->QueryInterface(IID_ITeskServerInfo, reinterpret_cast<void**>(info.put())), S_OK);
    ASSERT_EQ(info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(infoIdentity.put())), S_OK);
    EXPECT_EQ(infoIdentity.get(), unknown.get());

    void* refused = nullptr;
    EXPECT_EQ(agent_->QueryInterface(IID_ISupportErrorInfo, &refused), E_NOINTERFACE);
    EXPECT_EQ(rot->QueryInterface(IID_IIOSrvCfgPersist, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
}

// (The type information it serves: agent_dispatch_test.cpp, in process.)
TEST_F(RemoteAgentTest, DispatchNamesAndInvoke) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"StartServer")};
    DISPID id = 0;
    EXPECT_EQ(agent_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 0x60020005);
    // Several names in one request are answered in order; members of the other
    // interfaces are not served through IDispatch.
    LPOLESTR two[] = {const_cast<LPOLESTR>(L"StopServer"), const_cast<LPOLESTR>(L"Connect")};
    DISPID ids[2] = {};
    EXPECT_EQ(agent_->GetIDsOfNames(IID_NULL, two, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[0], 0x60020006);
    EXPECT_EQ(ids[1], 0x60020003);
    for (const wchar_t* unknown : {L"NoSuchMethod", L"TeskRotRegister"}) {
        names[0] = const_cast<LPOLESTR>(unknown);
        EXPECT_EQ(agent_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
                  DISP_E_UNKNOWNNAME);
    }
    names[0] = const_cast<LPOLESTR>(L"isserveractive");
    EXPECT_EQ(agent_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 0x60020004);

    _variant_t name(L"No.Such.Server");
    LONG activity = 0;
    VARIANT args[2];
    args[1] = name;
    args[0].vt = VT_I4 | VT_BYREF;
    args[0].plVal = &activity;
    DISPPARAMS params = {args, nullptr, 2, 0};
    EXCEPINFO exception = {};
    HRESULT hr = agent_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                nullptr, &exception, nullptr);
    tesk::UniqueSysString source(exception.bstrSource), description(exception.bstrDescription),
        helpFile(exception.bstrHelpFile);
    EXPECT_EQ(hr, S_OK) << HrText(hr).c_str() << " scode " << HrText(exception.scode).c_str();
    EXPECT_EQ(activity, 0x00010004);
}

}  // namespace
