// IDispatch of ITesk_Agent, served from the registered type library, in process.
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "host/agent_server.h"
#include "host/server_module.h"

_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));

namespace {

struct MethodDispId {
    const wchar_t* name;
    DISPID dispId;
};
const MethodDispId kMethods[] = {
    {L"GetInstalledServers", 0x60020000}, {L"GetActiveConfigFile", 0x60020001},
    {L"GetTeskAgentOnRemoteNode", 0x60020002}, {L"Connect", 0x60020003},
    {L"IsServerActive", 0x60020004}, {L"StartServer", 0x60020005},
    {L"StopServer", 0x60020006}, {L"GetConfigurator", 0x60020007},
    {L"ConfigureNTService", 0x60020008},
};

class AgentDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        ServerModule::Instance().Init(AgentObjectTable(), ::GetModuleHandleW(nullptr));
        ASSERT_EQ(CTesk_Agent::CreateInstance(nullptr, IID_IDispatch,
                                              reinterpret_cast<void**>(&dispatch_)),
                  S_OK);
    }
    DISPID IdOf(const wchar_t* name, HRESULT* result = nullptr) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (result) *result = hr;
        return id;
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

TEST_F(AgentDispatchTest, EveryMethodNameAndOtherSpellingsGiveTheirDispIds) {
    for (const MethodDispId& method : kMethods) {
        HRESULT hr = E_FAIL;
        EXPECT_EQ(IdOf(method.name, &hr), method.dispId) << method.name;
        EXPECT_EQ(hr, S_OK) << method.name;
    }
    // Other spellings are resolved by the type information (invoking through the
    // names: process/remote_identity_test.cpp).
    HRESULT hr = E_FAIL;
    EXPECT_EQ(IdOf(L"startserver", &hr), 0x60020005);
    EXPECT_EQ(hr, S_OK);
    // Several names in one request, answered in order.
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"StopServer"), const_cast<LPOLESTR>(L"Connect")};
    DISPID ids[2] = {};
    EXPECT_EQ(dispatch_->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[0], 0x60020006);
    EXPECT_EQ(ids[1], 0x60020003);
    // Members of the other interfaces are not served through IDispatch.
    for (const wchar_t* unknown : {L"NoSuchMethod", L"TeskRotRegister"}) {
        HRESULT hr = E_FAIL;
        IdOf(unknown, &hr);
        EXPECT_EQ(hr, DISP_E_UNKNOWNNAME) << unknown;
    }
}

}  // namespace
