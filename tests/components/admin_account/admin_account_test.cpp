// Wardlow.dll called directly, and its installation command. Both change the
// machine's administrator-account configuration, which is put back after each test.

#include <gtest/gtest.h>

#include "admin_account/Wardlow.h"
#include "TeskAgent/dcomconfig/descriptor_checks.h"
#include "TeskAgent/dcomconfig/process_capture.h"
#include "support/test_support.h"
#include "support/unique_resource.h"

using namespace dcom_test;
using tesk_test::NewGuidText;

namespace {

const std::wstring kLibraryPath = TESK_BUILD_DIR L"\\components\\admin_account\\Wardlow.dll";

class AdminAccountLibraryTest : public testing::Test {
protected:
    SavedAdminUserConfig saved_;
    tesk::UniqueLibrary library_{::LoadLibraryW(kLibraryPath.c_str())};
    int (__cdecl* entry_)(const wchar_t*) = nullptr;
    const std::wstring appId_ = NewGuidText();
    const std::wstring key_ = L"AppID\\" + appId_;

    void SetUp() override {
        ASSERT_TRUE(library_) << "Wardlow.dll not loaded";
        // Exported under its plain name.
        entry_ = reinterpret_cast<int(__cdecl*)(const wchar_t*)>(
            reinterpret_cast<void*>(::GetProcAddress(library_.get(), "RegisterAndSaveAppID")));
        ASSERT_NE(entry_, nullptr);
        tesk_test::WriteString(HKEY_CLASSES_ROOT, key_, L"RunAs", L"Interactive User");
        SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, UserName().c_str());
    }
    void TearDown() override { tesk_test::DeleteTree(HKEY_CLASSES_ROOT, key_); }

    int Call(const wchar_t* appId, DWORD* error = nullptr) {
        ::SetLastError(0);
        int result = entry_(appId);
        if (error) *error = ::GetLastError();
        return result;
    }
    std::wstring RunAs() { return tesk_test::ReadString(HKEY_CLASSES_ROOT, key_, L"RunAs"); }
};

TEST_F(AdminAccountLibraryTest, RunAsBecomesTheConfiguredAccount) {
    DWORD error = 1;
    EXPECT_EQ(Call(appId_.c_str(), &error), WARDLOW_OK);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(RunAs(), QualifiedUserName());
    // Written as the system spells the account, whatever spelling was configured.
    tesk_test::WriteString(HKEY_CLASSES_ROOT, key_, L"RunAs", L"Interactive User");
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, QualifiedUserName().c_str());
    EXPECT_EQ(Call(appId_.c_str()), WARDLOW_OK);
    EXPECT_EQ(RunAs(), QualifiedUserName());
}

TEST_F(AdminAccountLibraryTest, FailuresWriteNothingAndSayWhy) {
    DWORD error = 0;
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, nullptr);
    EXPECT_EQ(Call(appId_.c_str(), &error), WARDLOW_NOT_CONFIGURED);
    EXPECT_NE(error, 0u);
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, L"");
    EXPECT_EQ(Call(appId_.c_str(), &error), WARDLOW_NOT_CONFIGURED);
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, L"NoSuchAccount_7f3a");
    EXPECT_EQ(Call(appId_.c_str(), &error), WARDLOW_UNKNOWN_ACCOUNT);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NONE_MAPPED));
    EXPECT_EQ(RunAs(), L"Interactive User");

    // An AppID that is not registered is not created.
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, UserName().c_str());
    const std::wstring unregistered = NewGuidText();
    EXPECT_EQ(Call(unregistered.c_str(), &error), WARDLOW_RUNAS_NOT_WRITTEN);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, L"AppID\\" + unregistered));
}

TEST_F(AdminAccountLibraryTest, OnlyABracedGuidIsAnAppId) {
    const std::wstring bare = appId_.substr(1, appId_.size() - 2);
    const std::wstring escaping = appId_ + L"\\..\\..\\CLSID";
    for (const wchar_t* appId : {static_cast<const wchar_t*>(nullptr), L"", L"{}", bare.c_str(),
                                 escaping.c_str(), L"{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E3G}",
                                 L"{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34"}) {
        DWORD error = 0;
        EXPECT_EQ(Call(appId, &error), WARDLOW_BAD_APPID);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(RunAs(), L"Interactive User");
}

TEST(AdminAccountInstallation, InstallsTheLibraryForAKnownAccountOnly) {
    SavedAdminUserConfig saved;
    const std::wstring installer = L"\"" TESK_INSTALLER_EXE L"\" ";
    SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, nullptr);
    SetAdminUserValue(WARDLOW_INSTALL_PATH_VALUE, nullptr);

    ProcessResult unknown = RunCapturingStandardError(
        installer + L"install-admin-account \"" + kLibraryPath + L"\" NoSuchAccount_7f3a");
    EXPECT_EQ(unknown.exitCode, 1);
    bool exists = true;
    tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, WARDLOW_ACCOUNT_NAME_VALUE,
                          &exists);
    EXPECT_FALSE(exists);
    EXPECT_EQ(RunCapturingStandardError(installer + L"install-admin-account only-one").exitCode, 2);

    ProcessResult installed = RunCapturingStandardError(
        installer + L"install-admin-account \"" + kLibraryPath + L"\" " + UserName());
    EXPECT_EQ(installed.exitCode, 0) << tesk_test::ToNarrow(installed.standardError);
    EXPECT_EQ(tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY,
                                    WARDLOW_ACCOUNT_NAME_VALUE),
              UserName());
    DWORD type = REG_NONE;
    ReadValue(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, WARDLOW_INSTALL_PATH_VALUE, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY,
                                    WARDLOW_INSTALL_PATH_VALUE),
              kLibraryPath);

    EXPECT_EQ(RunCapturingStandardError(installer + L"uninstall-admin-account").exitCode, 0);
    tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, WARDLOW_ACCOUNT_NAME_VALUE,
                          &exists);
    EXPECT_FALSE(exists);
}

}  // namespace
