// The configurator from another process: both interfaces through the
// proxy/stub, counted arrays of strings and VARIANTs in both directions, the
// methods that store nothing yet, and the end of its process.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "samples/sample_fixture.h"
#include "support/test_support.h"

using namespace sample_test;

namespace {

const wchar_t kServer[] = L"{53BC3B8A-A24E-4342-9886-DBFAA0EE00F1}";

tesk::UniqueComPtr<IIOSrvCfgPersist> CreateConfigurator(HRESULT* result = nullptr) {
    tesk::UniqueComPtr<IIOSrvCfgPersist> persist;
    HRESULT hr = ::CoCreateInstance(CLSID_IOSrvCfgPersist, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_IIOSrvCfgPersist, reinterpret_cast<void**>(persist.put()));
    if (result) *result = hr;
    return persist;
}

struct Bstr {
    explicit Bstr(const wchar_t* text) : value(::SysAllocString(text)) {}
    BSTR get() const { return value.get(); }
    tesk::UniqueSysString value;
};

// Frees what a Get method handed out.
struct ReceivedProperties {
    ULONG count = 0;
    BSTR* keys = nullptr;
    VARIANT* values = nullptr;
    ~ReceivedProperties() {
        for (ULONG i = 0; keys && i < count; ++i) ::SysFreeString(keys[i]);
        for (ULONG i = 0; values && i < count; ++i) ::VariantClear(&values[i]);
        ::CoTaskMemFree(keys);
        ::CoTaskMemFree(values);
    }
};

size_t ConfiguratorProcesses() { return tesk_test::FindProcesses(L"TeskConfigurator.exe").size(); }

}  // namespace

TEST(Configurator, AnswersBothInterfacesAcrossProcesses) {
    HRESULT hr = E_FAIL;
    auto persist = CreateConfigurator(&hr);
    ASSERT_EQ(hr, S_OK) << tesk_test::HrText(hr);
    tesk::UniqueComPtr<IIoSrvCfgRules> rules;
    ASSERT_EQ(persist->QueryInterface(IID_IIoSrvCfgRules,
                                            reinterpret_cast<void**>(rules.put())),
              S_OK);
    tesk::UniqueComPtr<IDispatch> dispatch;
    EXPECT_EQ(persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())),
              E_NOINTERFACE);

    Bstr server(kServer), file(L"C:\\config\\plant.cfg"), ruleFile(L"C:\\config\\rules.xml");
    EXPECT_EQ(persist->SetCfgFileName(server.get(), file.get()), S_OK);
    tesk::UniqueSysString readBack;
    EXPECT_EQ(persist->GetCfgFileName(server.get(), readBack.put()), S_OK);
    EXPECT_STREQ(readBack.get(), file.get());

    EXPECT_EQ(rules->SetCfgRuleFileName(server.get(), ruleFile.get()), S_OK);
    EXPECT_EQ(rules->GetCfgRuleFileName(server.get(), readBack.put()), S_OK);
    EXPECT_STREQ(readBack.get(), ruleFile.get());
    EXPECT_EQ(rules->GetCfgRuleFileName(Bstr(L"{other}").get(), readBack.put()), S_OK);
    EXPECT_EQ(::SysStringLen(readBack.get()), 0u);
}

TEST(Configurator, CarriesCountedPropertyArraysBothWays) {
    auto persist = CreateConfigurator();
    ASSERT_TRUE(persist);
    Bstr server(kServer);

    Bstr k0(L"Port"), k1(L"Host"), k2(L"Enabled");
    BSTR keys[] = {k0.get(), k1.get(), k2.get()};
    VARIANT values[3];
    for (VARIANT& v : values) ::VariantInit(&v);
    values[0].vt = VT_I4;
    values[0].lVal = 502;
    tesk::UniqueSysString host(::SysAllocString(L"plc-7.local"));
    values[1].vt = VT_BSTR;
    values[1].bstrVal = host.get();
    values[2].vt = VT_BOOL;
    values[2].boolVal = VARIANT_TRUE;
    EXPECT_EQ(persist->SetSystemObject(server.get(), 3, keys, values), S_OK);

    ReceivedProperties received;
    ASSERT_EQ(persist->GetSystemObject(server.get(), &received.count, &received.keys,
                                             &received.values),
              S_OK);
    ASSERT_EQ(received.count, 3u);
    ASSERT_TRUE(received.keys && received.values);
    EXPECT_STREQ(received.keys[0], L"Port");
    EXPECT_STREQ(received.keys[2], L"Enabled");
    EXPECT_EQ(received.values[0].vt, VT_I4);
    EXPECT_EQ(received.values[0].lVal, 502);
    ASSERT_EQ(received.values[1].vt, VT_BSTR);
    EXPECT_STREQ(received.values[1].bstrVal, L"plc-7.local");
    EXPECT_EQ(received.values[2].vt, VT_BOOL);
    EXPECT_EQ(received.values[2].boolVal, VARIANT_TRUE);

    EXPECT_EQ(persist->RemoveSystemObject(server.get()), S_OK);
    ReceivedProperties none;
    EXPECT_EQ(persist->GetSystemObject(server.get(), &none.count, &none.keys, &none.values),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(none.keys, nullptr);
}

TEST(Configurator, KeepsDataObjectsByName) {
    auto persist = CreateConfigurator();
    ASSERT_TRUE(persist);
    Bstr server(kServer), first(L"Boiler"), second(L"Pump"), type(L"Device");
    Bstr key(L"Address");
    BSTR keys[] = {key.get()};
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = 12.5;
    ASSERT_EQ(persist->SetDataObject(server.get(), second.get(), type.get(), 1, keys, &value),
              S_OK);
    // An object without properties: the arrays are reference pointers and
    // must be given even for a count of 0; the marshaler refuses null ones.
    EXPECT_EQ(persist->SetDataObject(server.get(), first.get(), type.get(), 0, nullptr,
                                           nullptr),
              HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER));
    ASSERT_EQ(persist->SetDataObject(server.get(), first.get(), type.get(), 0, keys, &value),
              S_OK);
    {
        tesk::UniqueSysString emptyType;
        ReceivedProperties empty;
        ASSERT_EQ(persist->GetDataObject(server.get(), first.get(), emptyType.put(),
                                               &empty.count, &empty.keys, &empty.values),
                  S_OK);
        EXPECT_EQ(empty.count, 0u);
        EXPECT_EQ(empty.keys, nullptr);
        EXPECT_EQ(empty.values, nullptr);
    }

    SAFEARRAY* names = nullptr;
    ASSERT_EQ(persist->BrowseDataObjects(server.get(), &names), S_OK);
    tesk::UniqueSafeArray namesOwner(names);
    LONG upper = -1;
    ASSERT_EQ(::SafeArrayGetUBound(names, 1, &upper), S_OK);
    ASSERT_EQ(upper, 1);
    std::vector<std::wstring> listed;
    for (LONG i = 0; i <= upper; ++i) {
        tesk::UniqueSysString item;
        ::SafeArrayGetElement(names, &i, item.put());
        listed.push_back(item.get());
    }
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"Boiler", L"Pump"}));

    Bstr renamed(L"Feed pump");
    EXPECT_EQ(persist->RenameDataObject(server.get(), second.get(), renamed.get()), S_OK);
    EXPECT_EQ(persist->RenameDataObject(server.get(), renamed.get(), first.get()),
              HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    tesk::UniqueSysString readType;
    ReceivedProperties received;
    ASSERT_EQ(persist->GetDataObject(server.get(), renamed.get(), readType.put(),
                                           &received.count, &received.keys, &received.values),
              S_OK);
    EXPECT_STREQ(readType.get(), L"Device");
    ASSERT_EQ(received.count, 1u);
    EXPECT_STREQ(received.keys[0], L"Address");
    EXPECT_EQ(received.values[0].vt, VT_R8);
    EXPECT_EQ(received.values[0].dblVal, 12.5);

    EXPECT_EQ(persist->RemoveDataObject(server.get(), renamed.get()), S_OK);
    EXPECT_EQ(persist->RemoveDataObject(server.get(), renamed.get()),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_EQ(persist->ClearCfgFile(server.get()), S_OK);
}

TEST(Configurator, UnstoredPartsAnswerNotImplementedWithEmptyResults) {
    auto persist = CreateConfigurator();
    ASSERT_TRUE(persist);
    tesk::UniqueComPtr<IIoSrvCfgRules> rules;
    ASSERT_EQ(persist->QueryInterface(IID_IIoSrvCfgRules,
                                            reinterpret_cast<void**>(rules.put())),
              S_OK);
    Bstr server(kServer), name(L"Area1");
    tesk::UniqueSysString type, delimiter;
    ReceivedProperties hierarchy;
    EXPECT_EQ(persist->GetHierarchyObject(server.get(), name.get(), type.put(),
                                                delimiter.put(), &hierarchy.count,
                                                &hierarchy.keys, &hierarchy.values),
              E_NOTIMPL);
    EXPECT_EQ(hierarchy.count, 0u);
    EXPECT_EQ(hierarchy.keys, nullptr);

    BSTR deviceGroup = nullptr;
    ULONG count = 7;
    BSTR* propertyNames = nullptr;
    LONG *types = nullptr, *rights = nullptr, *handlers = nullptr;
    VARIANT *defaults = nullptr, *minimums = nullptr, *maximums = nullptr, *options = nullptr;
    BSTR *headers = nullptr, *units = nullptr, *help = nullptr;
    EXPECT_EQ(rules->GetCfgPropertyRulesForObjectType(
                  server.get(), name.get(), &deviceGroup, &count, &propertyNames, &types,
                  &defaults, &minimums, &maximums, &headers, &units, &help, &rights, &handlers,
                  &options),
              E_NOTIMPL);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(propertyNames, nullptr);
    EXPECT_EQ(options, nullptr);
    EXPECT_EQ(deviceGroup, nullptr);
}

TEST(Configurator, ProcessEndsWithItsLastObject) {
    auto persist = CreateConfigurator();
    ASSERT_TRUE(persist);
    ASSERT_GE(ConfiguratorProcesses(), 1u);
    persist.reset();
    const DWORD start = ::GetTickCount();
    while (ConfiguratorProcesses() != 0 && ::GetTickCount() - start < 20000) ::Sleep(100);
    EXPECT_EQ(ConfiguratorProcesses(), 0u);
}

TEST(Configurator, AgentHandsOutAConfigurator) {
    tesk::UniqueComPtr<ITesk_Agent> agent;
    ASSERT_EQ(tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(agent.put())), S_OK);
    tesk::UniqueComPtr<IUnknown> object;
    ASSERT_EQ(agent->GetConfigurator(object.put()), S_OK);
    ASSERT_TRUE(object);
    tesk::UniqueComPtr<IIOSrvCfgPersist> persist;
    tesk::UniqueComPtr<IIoSrvCfgRules> rules;
    EXPECT_EQ(object->QueryInterface(IID_IIOSrvCfgPersist,
                                           reinterpret_cast<void**>(persist.put())),
              S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IIoSrvCfgRules, reinterpret_cast<void**>(rules.put())),
              S_OK);
}
