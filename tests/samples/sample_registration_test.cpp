// The sample server's registration as the agent and COM read it, and its removal.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "sample_fixture.h"
#include "sample_version.h"
#include "support/test_support.h"

using namespace sample_test;
using tesk_test::ClassesOfCategory;
using tesk_test::KeyExists;
using tesk_test::ReadString;

namespace {

const wchar_t kServerCategory[] = L"{5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}";
const wchar_t kPluginClsid[] = L"{3EB77BBC-E64E-49F1-868B-ED905C39AE66}";
const wchar_t kSampleLibId[] = L"{E92551FB-80D6-4018-81A0-51674385844E}";

bool Contains(const std::vector<std::wstring>& items, const std::wstring& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

std::wstring VersionString(const std::wstring& file, const wchar_t* name) {
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return L"<no version resource>";
    std::unique_ptr<BYTE[]> block(new BYTE[size]);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.get())) return L"<unreadable>";
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!::VerQueryValueW(block.get(), query.c_str(), reinterpret_cast<void**>(&text), &length))
        return L"<missing>";
    return text;
}

}  // namespace

TEST(SampleRegistration, WritesTheClassAsTheAgentReadsIt) {
    RegisteredSample sample(201, L"-events presence -value 77");
    ASSERT_EQ(sample.registrationResult(), 0);
    const SampleNames& names = sample.names();
    const std::wstring classKey = L"CLSID\\" + names.clsidText;
    SCOPED_TRACE(tesk_test::DumpTree(HKEY_CLASSES_ROOT, classKey));

    // The user-type name is the default value (the agent names the NT service by it).
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, classKey, nullptr), names.userTypeName);
    tesk::UniqueCoTaskString userType;
    ASSERT_EQ(::OleRegGetUserType(names.clsid, USERCLASSTYPE_FULL, userType.put()), S_OK);
    EXPECT_EQ(std::wstring(userType.get()), names.userTypeName);

    // LocalServer32 and InprocServer32 as the agent reads them: server_info_process_test.cpp.

    // ProgIDs both ways.
    tesk::UniqueCoTaskString progId;
    ASSERT_EQ(::ProgIDFromCLSID(names.clsid, progId.put()), S_OK);
    EXPECT_EQ(std::wstring(progId.get()), names.progId);
    CLSID resolved = {};
    EXPECT_EQ(::CLSIDFromProgID(names.progId.c_str(), &resolved), S_OK);
    EXPECT_TRUE(::IsEqualCLSID(resolved, names.clsid));
    EXPECT_EQ(::CLSIDFromProgID(names.versionIndependentProgId.c_str(), &resolved), S_OK);
    EXPECT_TRUE(::IsEqualCLSID(resolved, names.clsid));

    // AppID: named by the CLSID and referred to from the class key.
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, classKey, L"AppID"), names.clsidText);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + names.clsidText));

    // A TeskServer: in the category, found as the agent enumerates it.
    EXPECT_TRUE(Contains(ClassesOfCategory(kServerCategory), names.clsidText));

    // IServerPropertySource crosses processes through the sample's type library:
    // sample_running_test.cpp calls it from here.
}

TEST(SampleRegistration, WithoutProgIdLeavesTheClassWithoutOne) {
    RegisteredSample sample(202, L"-noprogid");
    ASSERT_EQ(sample.registrationResult(), 0);
    tesk::UniqueCoTaskString progId;
    EXPECT_NE(::ProgIDFromCLSID(sample.names().clsid, progId.put()), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, sample.names().progId));
    EXPECT_TRUE(Contains(ClassesOfCategory(kServerCategory), sample.names().clsidText));
}

TEST(SampleRegistration, RemovalTakesOnlyThatInstance) {
    RegisteredSample kept(203);
    const SampleNames removed = NamesOf(204);
    ASSERT_EQ(RunSample(L"-RegServer -instance 204"), 0);
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + removed.clsidText));

    EXPECT_EQ(RunSample(L"-UnregServer -instance 204"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + removed.clsidText));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + removed.clsidText));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, removed.progId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, removed.versionIndependentProgId));
    const auto servers = ClassesOfCategory(kServerCategory);
    EXPECT_FALSE(Contains(servers, removed.clsidText));

    // The other instance, and the marshaling it needs, stay.
    EXPECT_TRUE(Contains(servers, kept.names().clsidText));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kSampleLibId));
}

TEST(SampleRegistration, RefusesAnInvalidCommandLine) {
    EXPECT_EQ(static_cast<HRESULT>(RunSample(L"-RegServer -instance 0")), E_INVALIDARG);
    EXPECT_EQ(static_cast<HRESULT>(RunSample(L"-RegServer -instance 70000")), E_INVALIDARG);
    EXPECT_EQ(static_cast<HRESULT>(RunSample(L"-instance 205 -events sometimes")), E_INVALIDARG);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + NamesOf(205).clsidText));
}

TEST(SampleVersionResources, CarryTheThreeTeskStrings) {
    for (const std::wstring& file : {SampleServerExe(), SampleModuleDll()}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(VersionString(file, L"TeskToolkitVersion"), L"" TESK_SAMPLE_TOOLKIT_VERSION);
        EXPECT_EQ(VersionString(file, L"TeskToolkitBuildDate"), L"" TESK_SAMPLE_BUILD_DATE);
        EXPECT_EQ(VersionString(file, L"TeskEngineProgID"), L"" TESK_SAMPLE_ENGINE_PROGID);
        EXPECT_EQ(VersionString(file, L"FileVersion"), L"" TESK_SAMPLE_VERSION_TEXT);
    }
}

TEST(SamplePlugin, LoadsInProcessAndIsRemovable) {
    const std::wstring installer = L"\"" TESK_INSTALLER_EXE L"\" ";
    ASSERT_EQ(tesk_test::RunProcess(installer + L"install-sample-plugin \"" + SampleModuleDll() +
                                    L"\""),
              0);
    // Listed in its category by its ProgID, and no more after its removal:
    // teskctl_commands_test.cpp. The plug-in loads in process and answers its interface.
    CLSID pluginClsid;
    ::CLSIDFromString(kPluginClsid, &pluginClsid);
    tesk::UniqueComPtr<IUnknown> plugin;
    EXPECT_EQ(::CoCreateInstance(pluginClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 reinterpret_cast<void**>(plugin.put())),
              S_OK);
    plugin.reset();
    ::CoFreeUnusedLibrariesEx(0, 0);

    EXPECT_EQ(tesk_test::RunProcess(installer + L"uninstall-sample-plugin \"" +
                                    SampleModuleDll() + L"\""),
              0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kPluginClsid));
}
