// ITeskServerInfo of the real agent process, asked about the sample TeskServer,
// its in-process module and plug-in, and about classes registered by the tests.
#include <windows.h>
#include <comcat.h>
#include <comdef.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "TeskAgent_h.h"
#include "sample_version.h"
#include "TeskAgent/interfaces/ClassUtilities/info_arrays.h"
#include "samples/sample_fixture.h"
#include "support/test_support.h"

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));
_COM_SMARTPTR_TYPEDEF(ITeskServerInfo, __uuidof(ITeskServerInfo));

namespace info_test {
namespace {

using sample_test::RegisteredSample;
using tesk_test::ScopedTestClass;

constexpr unsigned kInstance = 0x5E31;
const CATID kPluginCategory = {0x8BEF444A, 0x77C0, 0x49DA,
                               {0x80, 0x23, 0x08, 0x51, 0x16, 0xCA, 0x8E, 0x93}};
const wchar_t kPluginCategoryText[] = L"{8BEF444A-77C0-49DA-8023-085116CA8E93}";

class ServerInfoProcessTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(
            tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent_)));
        info_ = agent_;
        ASSERT_TRUE(info_);
    }

    Answers Properties(const std::wstring& server, const std::vector<LONG>& ids, LONG lower = 0) {
        tesk::UniqueSafeArray request = LongArray(ids, lower);
        SAFEARRAY *values = nullptr, *errors = nullptr;
        EXPECT_EQ(S_OK, info_->GetTeskServerProperties(_bstr_t(server.c_str()), request.get(),
                                                       &values, &errors));
        return TakeAnswers(values, errors);
    }

    Answers Attributes(const std::wstring& server, const wchar_t* type,
                       const std::vector<std::wstring>& names) {
        tesk::UniqueSafeArray request = StringArray(names);
        SAFEARRAY *values = nullptr, *errors = nullptr;
        EXPECT_EQ(S_OK, info_->GetVersionAttributes(_bstr_t(server.c_str()), _bstr_t(type),
                                                    request.get(), &values, &errors));
        return TakeAnswers(values, errors);
    }

    std::vector<std::wstring> PluginProgIds() {
        SAFEARRAY* ids = nullptr;
        EXPECT_EQ(S_OK, info_->GetTeskServerPluginProgIDs(&ids));
        EXPECT_NE(nullptr, ids);
        return TakeAnswers(ids, LongArray({}).release()).texts;
    }

    ITesk_AgentPtr agent_;
    ITeskServerInfoPtr info_;
};

// Each case also for a 32-bit server, whose registration is read from the 32-bit view.
TEST_F(ServerInfoProcessTest, PropertiesInRequestOrderFromAnyLowerBound) {
    for (bool in32BitView : {false, true}) {
        SCOPED_TRACE(in32BitView);
        RegisteredSample sample(kInstance);
        ASSERT_EQ(sample.registrationResult(), 0);
        ASSERT_TRUE(!in32BitView || sample.MoveTo32BitView());
        Answers got = Properties(sample.names().progId, {1, 2, 3, 4, 99}, 5);
        EXPECT_EQ(0, got.lowerBound);
        ASSERT_EQ(5u, got.types.size());
        EXPECT_EQ((std::vector<VARTYPE>{VT_I4, VT_BSTR, VT_BSTR, VT_BSTR, VT_EMPTY}), got.types);
        EXPECT_EQ(0, got.longs[0]);  // the server does not run
        EXPECT_EQ(L"" TESK_SAMPLE_BUILD_DATE, got.texts[1]);
        EXPECT_EQ(L"" TESK_SAMPLE_TOOLKIT_VERSION, got.texts[2]);
        EXPECT_EQ(L"" TESK_SAMPLE_ENGINE_PROGID, got.texts[3]);
        EXPECT_EQ((std::vector<LONG>{S_OK, S_OK, S_OK, S_OK, S_OK}), got.errors);
    }
}

TEST_F(ServerInfoProcessTest, ModulePropertiesFailWithoutInprocModule) {
    ScopedTestClass server;
    server.Register(L"Z:\\nowhere\\Server.exe", false);
    Answers got = Properties(server.progId(), {2, 1});
    ASSERT_EQ(2u, got.types.size());
    EXPECT_EQ(VT_BSTR, got.types[0]);
    EXPECT_EQ(L"", got.texts[0]);
    EXPECT_EQ(E_FAIL, got.errors[0]);
    EXPECT_EQ(VT_I4, got.types[1]);
    EXPECT_EQ(S_OK, got.errors[1]);
}

// The type in any case; the sample registers its executable quoted and followed
// by its run options.
TEST_F(ServerInfoProcessTest, InprocAndLocalAttributesOfTheSample) {
    const struct {
        const wchar_t *inproc, *local;
        bool in32BitView;
    } cases[] = {{L"INPROC", L"local", false}, {L"inproc", L"LOCAL", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in32BitView);
        RegisteredSample sample(kInstance);
        ASSERT_EQ(sample.registrationResult(), 0);
        ASSERT_TRUE(!c.in32BitView || sample.MoveTo32BitView());
        Answers got = Attributes(sample.names().clsidText, c.inproc,
                                 {L"filepath", L"FileVersion", L"TeskToolkitVersion",
                                  L"TeskEngineProgID", L"NoSuchString"});
        ASSERT_EQ(5u, got.texts.size());
        EXPECT_EQ(0, _wcsicmp(TESK_SAMPLE_MODULE_DLL, got.texts[0].c_str())) << got.texts[0];
        EXPECT_EQ(L"" TESK_SAMPLE_VERSION_TEXT, got.texts[1]);
        EXPECT_EQ(L"" TESK_SAMPLE_TOOLKIT_VERSION, got.texts[2]);
        EXPECT_EQ(L"" TESK_SAMPLE_ENGINE_PROGID, got.texts[3]);
        EXPECT_EQ(L"", got.texts[4]);
        EXPECT_EQ((std::vector<LONG>{S_OK, S_OK, S_OK, S_OK, E_FAIL}), got.errors);

        got = Attributes(sample.names().progId, c.local,
                         {L"FilePath", L"FileVersion", L"CreationDate"});
        ASSERT_EQ(3u, got.texts.size());
        std::wstring expectedStart = TESK_SAMPLE_SERVER_EXE L" -instance ";
        EXPECT_EQ(0, _wcsnicmp(expectedStart.c_str(), got.texts[0].c_str(), expectedStart.size()))
            << got.texts[0];
        EXPECT_EQ(std::wstring::npos, got.texts[0].find(L'"'));
        EXPECT_EQ((std::vector<std::wstring>{got.texts[0], L"", L""}), got.texts);
        EXPECT_EQ((std::vector<LONG>{S_OK, E_FAIL, E_FAIL}), got.errors);

        SAFEARRAY *values = nullptr, *errors = nullptr;
        tesk::UniqueSafeArray request = StringArray({L"FilePath"});
        for (const wchar_t* type : {L"SERVICE", L"", static_cast<const wchar_t*>(nullptr)})
            EXPECT_EQ(E_POINTER, info_->GetVersionAttributes(_bstr_t(sample.names().progId.c_str()),
                                                             _bstr_t(type), request.get(), &values,
                                                             &errors));
    }
}

// A module a 32-bit server registers in System32 is read from the 32-bit system folder.
TEST_F(ServerInfoProcessTest, System32ModuleOfA32BitServer) {
    wchar_t system[MAX_PATH], wow64[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    if (!::GetSystemWow64DirectoryW(wow64, MAX_PATH)) GTEST_SKIP() << "no 32-bit system folder";
    const std::wstring file = L"\\TeskInfoTest" + tesk_test::NewGuidText().substr(1, 8) + L".dll";
    ASSERT_TRUE(::CopyFileW(TESK_SAMPLE_MODULE_DLL, (wow64 + file).c_str(), FALSE));
    const struct {
        REGSAM view;
        const wchar_t* version;
        HRESULT result;
    } cases[] = {{KEY_WOW64_32KEY, L"" TESK_SAMPLE_VERSION_TEXT, S_OK}, {0, L"", E_FAIL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        ScopedTestClass server(c.view);
        server.Register(L"", false);
        server.WriteInprocServer(system + file);
        Answers got = Attributes(server.progId(), L"INPROC", {L"FilePath", L"FileVersion"});
        EXPECT_EQ((std::vector<std::wstring>{system + file, c.version}), got.texts);
        EXPECT_EQ((std::vector<LONG>{S_OK, c.result}), got.errors);
    }
    ::DeleteFileW((wow64 + file).c_str());
}

// A file without version resource whose dates were set to a known day.
TEST_F(ServerInfoProcessTest, ModuleWithoutVersionResourceStillHasPathAndDate) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"TeskInfoTestModule.dll";
    {
        tesk::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        SYSTEMTIME noon = {2004, 6, 0, 2, 12, 0, 0, 0};
        FILETIME local, utc;
        ::SystemTimeToFileTime(&noon, &local);
        ::LocalFileTimeToFileTime(&local, &utc);
        // Both times: some file systems report the last write as the creation.
        ASSERT_TRUE(::SetFileTime(file.get(), &utc, nullptr, &utc));
    }
    ScopedTestClass server;
    server.Register(L"", false);
    server.WriteInprocServer(path);

    Answers got = Attributes(server.progId(), L"INPROC",
                             {L"FilePath", L"CreationDate", L"FileVersion", L"CompanyName"});
    ::DeleteFileW(path.c_str());
    ASSERT_EQ(4u, got.texts.size());
    EXPECT_EQ(path, got.texts[0]);
    if (PRIMARYLANGID(LANGIDFROMLCID(::GetSystemDefaultLCID())) == LANG_ENGLISH) {
        EXPECT_EQ(L"June 2, 2004", got.texts[1]);
    }
    EXPECT_EQ(L"", got.texts[2]);
    EXPECT_EQ(L"", got.texts[3]);
    EXPECT_EQ((std::vector<LONG>{S_OK, S_OK, E_FAIL, E_FAIL}), got.errors);
}

// Takes every class out of the plug-in category for the scope, and puts them back.
class ScopedNoPlugins {
public:
    ScopedNoPlugins() {
        ::CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                           IID_ICatRegister, reinterpret_cast<void**>(&registrar_));
        if (!registrar_) return;
        CATID category = kPluginCategory;
        for (const std::wstring& text : tesk_test::ClassesOfCategory(kPluginCategoryText)) {
            hidden_.emplace_back();
            ::CLSIDFromString(text.c_str(), &hidden_.back());
        }
        for (CLSID& hidden : hidden_)
            registrar_->UnRegisterClassImplCategories(hidden, 1, &category);
    }
    ~ScopedNoPlugins() {
        CATID category = kPluginCategory;
        for (CLSID& hidden : hidden_) registrar_->RegisterClassImplCategories(hidden, 1, &category);
        if (registrar_) registrar_->Release();
    }

private:
    ICatRegister* registrar_ = nullptr;
    std::vector<CLSID> hidden_;
};

// A plug-in with a ProgID is listed, one without is skipped, in either view (the
// sample's plug-in: teskctl_commands_test.cpp).
TEST_F(ServerInfoProcessTest, PluginProgIdsOfRegisteredPlugins) {
    std::vector<std::wstring> before = PluginProgIds();
    ScopedTestClass named, unnamed, named32(KEY_WOW64_32KEY), unnamed32(KEY_WOW64_32KEY);
    for (auto* server : {&named, &unnamed, &named32, &unnamed32}) {
        server->Register(L"", false);
        server->WriteCategory(kPluginCategoryText);
    }
    for (auto* server : {&unnamed, &unnamed32})
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, server->ClassKeyPath() + L"\\ProgID",
                              server->view());
    std::vector<std::wstring> after = PluginProgIds();
    EXPECT_EQ(before.size() + 2, after.size());
    EXPECT_NE(after.end(), std::find(after.begin(), after.end(), named.progId()));
    EXPECT_NE(after.end(), std::find(after.begin(), after.end(), named32.progId()));
}

TEST_F(ServerInfoProcessTest, NoPluginGivesEmptyArray) {
    ScopedNoPlugins none;
    SAFEARRAY* ids = nullptr;
    ASSERT_EQ(S_OK, info_->GetTeskServerPluginProgIDs(&ids));
    tesk::UniqueSafeArray owner(ids);
    ASSERT_NE(nullptr, ids);
    LONG lower = -1, upper = 0;
    ::SafeArrayGetLBound(ids, 1, &lower);
    ::SafeArrayGetUBound(ids, 1, &upper);
    EXPECT_EQ(0, lower);
    EXPECT_EQ(-1, upper);
}

}  // namespace
}  // namespace info_test
