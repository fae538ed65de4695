// The AppID settings in process, on AppIDs and CLSIDs of the test's own under
// HKEY_CLASSES_ROOT, with the messages collected instead of shown. The whole
// configuration of the agent's own AppID: agent_registration_test.cpp.

#include <gtest/gtest.h>

#include "dcomconfig/DcomConfig.h"
#include "descriptor_checks.h"
#include "support/test_support.h"
#include "support/win32_result.h"

using namespace dcom_test;
using tesk_test::NewGuidText;
namespace msg = registration_messages;

namespace {

struct Message {
    std::wstring text, caption;
    bool operator==(const Message& other) const {
        return text == other.text && caption == other.caption;
    }
};
std::ostream& operator<<(std::ostream& out, const Message& m) {
    return out << tesk_test::ToNarrow(m.caption) << ": " << tesk_test::ToNarrow(m.text);
}

std::wstring Text(const wchar_t* format, const std::wstring& name, HRESULT hr) {
    wchar_t text[256];
    swprintf(text, 256, format, name.c_str(), static_cast<int>(hr));
    return text;
}

class DcomConfigTest : public testing::Test {
protected:
    const std::wstring appId_ = NewGuidText();  // with braces
    const std::wstring bare_ = appId_.substr(1, appId_.size() - 2);
    const std::wstring key_ = L"AppID\\" + appId_;
    const std::wstring user_ = ProcessUserSid();
    std::vector<Message> messages_;
    CDcomConfig config_{[this](const std::wstring& text, const std::wstring& caption) {
        messages_.push_back({text, caption});
    }};

    void SetUp() override { tesk_test::WriteString(HKEY_CLASSES_ROOT, key_, L"RunAs", L"Interactive User"); }
    void TearDown() override {
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, key_);
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, L"AppId\\" + bare_);
    }
    std::wstring RunAs(bool* exists = nullptr) {
        return tesk_test::ReadString(HKEY_CLASSES_ROOT, key_, L"RunAs", exists);
    }
    std::vector<AclEntry> Permission(const wchar_t* value) {
        return StoredPermissionEntries(HKEY_CLASSES_ROOT, key_, value, user_);
    }
    DWORD AuthenticationLevel(bool* exists) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data = ReadValue(HKEY_CLASSES_ROOT, key_, L"AuthenticationLevel", &type);
        *exists = type == REG_DWORD && data.size() == sizeof(DWORD);
        return *exists ? *reinterpret_cast<DWORD*>(data.data()) : 0;
    }
};

TEST_F(DcomConfigTest, AppIdWithoutBracesGetsThemForPermissionsButNotForRunAs) {
    // The run-as key is "AppId\<bare>", which does not exist: that step fails,
    // after the grants went to the braced key, and the level is not written.
    HRESULT hr = config_.SetDcomConfigForAppID(bare_.c_str(), RUNAS_INTERACTIVE_USER);
    EXPECT_EQ(hr, tesk::Win32Result(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Permission(L"AccessPermission").size(), 4u);
    EXPECT_EQ(Permission(L"LaunchPermission").size(), 4u);
    bool exists = true;
    AuthenticationLevel(&exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(messages_, (std::vector<Message>{
                             {msg::kInnerText, msg::kRunAsKeyNotOpened},
                             {Text(msg::kRunAs, bare_, hr), msg::kOuterCaption}}));

    // With the bare run-as key present, the whole configuration goes through.
    messages_.clear();
    tesk_test::WriteString(HKEY_CLASSES_ROOT, L"AppId\\" + bare_, L"RunAs", L"x");
    EXPECT_EQ(config_.SetDcomConfigForAppID(bare_.c_str(), RUNAS_INTERACTIVE_USER), S_OK);
    EXPECT_EQ(tesk_test::ReadString(HKEY_CLASSES_ROOT, L"AppId\\" + bare_, L"RunAs"),
              L"Interactive User");
    EXPECT_EQ(AuthenticationLevel(&exists), 1u);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(DcomConfigTest, RunAsModes) {
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key_, L"RunAs", L"someone");
    for (DWORD unknownOrUnchanged : {DWORD{RUNAS_UNCHANGED}, DWORD{7}}) {
        EXPECT_EQ(config_.ChangeAppIDRunAs(appId_.c_str(), unknownOrUnchanged), S_OK);
        EXPECT_EQ(RunAs(), L"someone");
    }
    EXPECT_EQ(config_.ChangeAppIDRunAs(appId_.c_str(), RUNAS_INTERACTIVE_USER), S_OK);
    std::vector<BYTE> raw = ReadValue(HKEY_CLASSES_ROOT, key_, L"RunAs");
    EXPECT_EQ(raw.size(), sizeof(L"Interactive User"));  // with its terminating zero
    EXPECT_EQ(RunAs(), L"Interactive User");
    bool exists = true;
    EXPECT_EQ(config_.ChangeAppIDRunAs(appId_.c_str(), RUNAS_LAUNCHING_USER), S_OK);
    RunAs(&exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(config_.ChangeAppIDRunAs(appId_.c_str(), RUNAS_LAUNCHING_USER), S_OK);
    EXPECT_TRUE(messages_.empty());

    // A missing key fails in every mode but the unchanged one, and is not created.
    const std::wstring missing = NewGuidText();
    EXPECT_EQ(config_.ChangeAppIDRunAs(missing.c_str(), RUNAS_UNCHANGED), S_OK);
    EXPECT_TRUE(messages_.empty());
    for (DWORD mode : {0u, 1u, 2u, 9u}) {
        messages_.clear();
        EXPECT_EQ(config_.ChangeAppIDRunAs(missing.c_str(), mode),
                  tesk::Win32Result(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(messages_, (std::vector<Message>{{msg::kInnerText, msg::kRunAsKeyNotOpened}}));
    }
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + missing));
}

TEST_F(DcomConfigTest, PermissionChangesKeepOneEntryPerPrincipal) {
    ASSERT_EQ(config_.ChangeAppIDAccessACL(appId_.c_str(), L"Everyone", true, true), S_OK);
    ASSERT_EQ(config_.ChangeAppIDAccessACL(appId_.c_str(), L"Everyone", true, true), S_OK);
    EXPECT_EQ(Permission(L"AccessPermission"),
              (std::vector<AclEntry>{Allowed(user_), Allowed(kSystemSid), Allowed(kWorldSid)}));
    // Denying replaces the grant, in front.
    ASSERT_EQ(config_.ChangeAppIDAccessACL(appId_.c_str(), L"Everyone", true, false), S_OK);
    EXPECT_EQ(Permission(L"AccessPermission"),
              (std::vector<AclEntry>{Denied(kWorldSid), Allowed(user_), Allowed(kSystemSid)}));
    // Without the set flag the principal is only removed.
    ASSERT_EQ(config_.ChangeAppIDAccessACL(appId_.c_str(), L"Everyone", false, true), S_OK);
    EXPECT_EQ(Permission(L"AccessPermission"),
              (std::vector<AclEntry>{Allowed(user_), Allowed(kSystemSid)}));
    // The launch permission is a value of its own.
    EXPECT_TRUE(ReadValue(HKEY_CLASSES_ROOT, key_, L"LaunchPermission").empty());
    ASSERT_EQ(config_.ChangeAppIDLaunchACL(appId_.c_str(), L"ANONYMOUS LOGON", true, true), S_OK);
    EXPECT_EQ(Permission(L"LaunchPermission"),
              (std::vector<AclEntry>{Allowed(user_), Allowed(kSystemSid), Allowed(kAnonymousSid)}));
}

TEST_F(DcomConfigTest, AppIdsThatWouldReachOtherKeysAreRefused) {
    for (const wchar_t* appId : {L"", L"..\\CLSID", L"{x}\\Sub"}) {
        EXPECT_EQ(config_.ChangeAppIDAccessACL(appId, L"Everyone", true, true), E_INVALIDARG);
        EXPECT_EQ(config_.ChangeAppIDRunAs(appId, RUNAS_INTERACTIVE_USER), E_INVALIDARG);
    }
    EXPECT_EQ(config_.ChangeAppIDLaunchACL(nullptr, L"Everyone", true, true), E_INVALIDARG);
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, L"APPID\\{x}\\Sub"));
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, L"APPID\\{..\\CLSID}"));
}

TEST_F(DcomConfigTest, UnknownProgIdIsReportedAndStopsTheConfiguration) {
    const wchar_t progId[] = L"TeskAgentTests.NoSuchClass.1";
    CLSID clsid;
    const HRESULT expected = ::CLSIDFromProgID(progId, &clsid);
    ASSERT_TRUE(FAILED(expected));
    EXPECT_EQ(config_.SetDcomConfig(progId, RUNAS_UNCHANGED), expected);
    EXPECT_EQ(messages_, (std::vector<Message>{{Text(msg::kProgIdLookup, progId, expected),
                                                msg::kOuterCaption}}));
}

TEST_F(DcomConfigTest, ProgIdReachesTheAppIdOfItsClassOrStopsAtTheAppIdLookup) {
    const std::wstring progId = L"TeskAgentTests.Dcom" + bare_.substr(0, 8);
    GUID clsid;
    const std::wstring clsidText = NewGuidText(&clsid), classKey = L"CLSID\\" + clsidText;
    tesk_test::WriteString(HKEY_CLASSES_ROOT, progId + L"\\CLSID", nullptr, clsidText);
    wchar_t outer[256];
    // No class key, then a class key without AppID: failures, never 0.
    for (const auto& inner : {msg::kClsidKeyNotOpened, msg::kAppIdValueNotRead}) {
        messages_.clear();
        HRESULT hr = config_.SetDcomConfig(progId.c_str(), RUNAS_UNCHANGED);
        EXPECT_EQ(hr, tesk::Win32Result(ERROR_FILE_NOT_FOUND));
        swprintf(outer, 256, msg::kAppIdLookup, static_cast<int>(hr));
        EXPECT_EQ(messages_, (std::vector<Message>{{msg::kInnerText, inner},
                                                   {outer, msg::kOuterCaption}}));
        tesk_test::WriteString(HKEY_CLASSES_ROOT, classKey, nullptr, L"Test class");
    }

    // With the AppID in place the configuration reaches the AppID key.
    messages_.clear();
    tesk_test::WriteString(HKEY_CLASSES_ROOT, classKey, L"AppID", appId_);
    EXPECT_EQ(config_.SetDcomConfig(progId.c_str(), RUNAS_UNCHANGED), S_OK);
    EXPECT_EQ(Permission(L"LaunchPermission").size(), 4u);
    EXPECT_TRUE(messages_.empty());
    // A buffer too small for the AppID fails rather than handing out a cut one.
    wchar_t small[10];
    EXPECT_TRUE(FAILED(config_.GetAppidFromClsid(clsid, small, 10)));
    tesk_test::DeleteTree(HKEY_CLASSES_ROOT, progId);
    tesk_test::DeleteTree(HKEY_CLASSES_ROOT, classKey);
}

TEST(RegistrationMessages, TextsAreFormattedAsTabled) {
    EXPECT_EQ(msg::Format(msg::kProgIdLookup, L"A.B.1", static_cast<HRESULT>(0x800401F3)),
              L"Error: CLSIDFromProgID(A.B.1) returned -2147221005");
    EXPECT_EQ(msg::Format(msg::kAuthenticationLevel, 5),
              L"Error: SetAuthenticationLevel returned 5");
    EXPECT_EQ(msg::Format(msg::kLaunchPermission, nullptr, E_FAIL),
              L"Error: ChangeAppIDLaunchACL() returned -2147467259");
    // Never beyond the 255 characters of the message buffer.
    EXPECT_EQ(msg::Format(msg::kRunAs, std::wstring(400, L'x').c_str(), 1).size(), 255u);
}

}  // namespace
