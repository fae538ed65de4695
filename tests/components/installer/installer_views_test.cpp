// The installation step gives 32-bit clients on 64-bit Windows what they need
// to call the agent and the configurator: the keys in the 32-bit registry
// view, written by install and removed by uninstall. Each case ends by
// installing again, so the prefix is left as it was found.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "TeskAgent_h.h"
#include "support/test_support.h"

namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
const std::wstring kConfiguratorExe =
    TESK_BUILD_DIR L"\\components\\configurator\\TeskConfigurator.exe";
const std::wstring kProxy = TESK_BUILD_DIR L"\\components\\configurator\\proxy\\TeskConfigPS.dll";
// The 32-bit build's DLL is only named, never loaded: it need not exist here.
const std::wstring kProxy32 =
    TESK_BUILD_DIR L"\\..\\x86\\components\\configurator\\proxy\\TeskConfigPS.dll";
const wchar_t kProxyClsid[] = L"{7C71A4E6-A0E3-4D95-A1C8-2D9666AC583C}";
const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

long Install(const std::wstring& arguments) {
    return tesk_test::RunProcess(L"\"" TESK_INSTALLER_EXE L"\" " + arguments);
}

std::wstring Value(const std::wstring& path, REGSAM view, const wchar_t* name = nullptr) {
    bool exists = false;
    std::wstring text = tesk_test::ReadString(HKEY_CLASSES_ROOT, path, name, &exists, view);
    return exists ? text : L"<missing>";
}

std::wstring InterfaceKey(REFIID iid) { return L"Interface\\" + tesk_test::GuidText(iid); }

TEST(InstallerViews, AgentMarshalingKeysInBothViews) {
    const std::wstring agent = L"\"" TESK_AGENT_EXE L"\"";
    ASSERT_EQ(0, Install(L"uninstall-agent " + agent));
    for (REFIID iid : {IID_ITeskRot, IID_ITeskServerInfo})
        for (REGSAM view : {k64, k32})
            EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(iid), view)) << view;

    ASSERT_EQ(0, Install(L"install-agent " + agent));
    for (REFIID iid : {IID_ITeskRot, IID_ITeskServerInfo}) {
        for (REGSAM view : {k64, k32}) {
            SCOPED_TRACE(InterfaceKey(iid) + L" view " + std::to_wstring(view));
            EXPECT_EQ(kTypeLibMarshaler, Value(InterfaceKey(iid) + L"\\ProxyStubClsid32", view));
            EXPECT_EQ(tesk_test::GuidText(LIBID_TESKAGENTLib),
                      Value(InterfaceKey(iid) + L"\\TypeLib", view));
            EXPECT_EQ(L"1.0", Value(InterfaceKey(iid) + L"\\TypeLib", view, L"Version"));
        }
    }
}

TEST(InstallerViews, ConfiguratorProxyOfThe32BitBuildIn32BitView) {
    const std::wstring files =
        L"\"" + kConfiguratorExe + L"\" \"" + kProxy + L"\" \"" + kProxy32 + L"\"";
    const std::wstring proxyServer = std::wstring(L"CLSID\\") + kProxyClsid + L"\\InProcServer32";
    ASSERT_EQ(0, Install(L"uninstall-configurator " + files));
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, proxyServer, k32));
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, InterfaceKey(IID_IIOSrvCfgPersist), k32));

    ASSERT_EQ(0, Install(L"install-configurator " + files));
    EXPECT_EQ(kProxy32, Value(proxyServer, k32));
    EXPECT_EQ(L"Both", Value(proxyServer, k32, L"ThreadingModel"));
    EXPECT_EQ(L"PSFactoryBuffer", Value(std::wstring(L"CLSID\\") + kProxyClsid, k32));
    EXPECT_EQ(0, _wcsicmp(kProxy.c_str(), Value(proxyServer, k64).c_str())) << "64-bit kept";
    for (REFIID iid : {IID_IIOSrvCfgPersist, IID_IIoSrvCfgRules}) {
        SCOPED_TRACE(InterfaceKey(iid));
        // What the DLL's own registration writes, as the 64-bit build wrote it.
        for (const wchar_t* part : {L"", L"\\ProxyStubClsid32", L"\\NumMethods"})
            EXPECT_EQ(Value(InterfaceKey(iid) + part, k64), Value(InterfaceKey(iid) + part, k32))
                << part;
        EXPECT_EQ(kProxyClsid, Value(InterfaceKey(iid) + L"\\ProxyStubClsid32", k32));
    }
}

}  // namespace
