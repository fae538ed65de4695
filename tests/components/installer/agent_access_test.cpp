// The agent's AppID after "TeskInstall install-agent", read back through the
// security API: locked down by default, with the accounts of --grant, or with
// the open grants of the registration under --legacy-open-access; removed by
// uninstall-agent. Under Wine every process runs as one user, so whether COM
// enforces these permissions cannot be observed here: what is stored is tested.
#include <gtest/gtest.h>

#include "TeskAgent/dcomconfig/descriptor_checks.h"
#include "TeskAgent/dcomconfig/process_capture.h"
#include "support/test_support.h"

using namespace dcom_test;

namespace {

const wchar_t kAppIdKey[] = L"AppID\\{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kAdministrators[] = L"S-1-5-32-544";
const wchar_t kInteractive[] = L"S-1-5-4";

AclEntry Grant(const std::wstring& sid, DWORD mask) { return {ACCESS_ALLOWED_ACE_TYPE, mask, sid}; }

ProcessResult Installer(const std::wstring& command, const std::wstring& options = L"") {
    return RunCapturingStandardError(L"\"" TESK_INSTALLER_EXE L"\" " + command + L" \"" TESK_AGENT_EXE
                                     L"\" " + options);
}

DWORD AuthenticationLevel() {
    DWORD type = REG_NONE;
    std::vector<BYTE> data = ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, L"AuthenticationLevel", &type);
    return type == REG_DWORD && data.size() == sizeof(DWORD) ? *reinterpret_cast<DWORD*>(data.data())
                                                             : 0;
}

struct Case {
    const char* name;
    std::wstring options;
    std::vector<AclEntry> launch, access;
    std::wstring owner;
    DWORD level;
};

std::vector<Case> Cases() {
    const std::wstring user = ProcessUserSid();
    const std::vector<AclEntry> lockedLaunch = {Grant(kAdministrators, 0x1F), Grant(kSystemSid, 0x0B),
                                                Grant(kInteractive, 0x0B)};
    const std::vector<AclEntry> lockedAccess = {Grant(kAdministrators, 0x07), Grant(kSystemSid, 0x03),
                                                Grant(kInteractive, 0x03)};
    std::vector<AclEntry> grantedLaunch = lockedLaunch, grantedAccess = lockedAccess;
    for (const std::wstring& sid : {user, std::wstring(kWorldSid)}) {
        grantedLaunch.push_back(Grant(sid, 0x1F));
        grantedAccess.push_back(Grant(sid, 0x07));
    }
    const std::vector<AclEntry> open = {Allowed(user), Allowed(kSystemSid), Allowed(kWorldSid),
                                        Allowed(kAnonymousSid)};
    return {
        {"LockedDownByDefault", L"", lockedLaunch, lockedAccess, kAdministrators, 5},
        {"GrantedAccounts", L"--grant " + UserName() + L" --grant Everyone", grantedLaunch,
         grantedAccess, kAdministrators, 5},
        {"LegacyOpenAccess", L"--legacy-open-access", open, open, user, 1},
    };
}

class AgentAccessTest : public testing::Test {
protected:
    static void TearDownTestSuite() { EXPECT_EQ(Installer(L"install-agent").exitCode, 0); }
};

TEST_F(AgentAccessTest, InstallationStoresTheAppIdPermissionsOfItsMode) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        ProcessResult result = Installer(L"install-agent", c.options);
        ASSERT_EQ(result.exitCode, 0) << tesk_test::ToNarrow(result.standardError);
        SCOPED_TRACE(tesk_test::DumpTree(HKEY_CLASSES_ROOT, kAppIdKey));
        EXPECT_EQ(StoredPermissionEntries(HKEY_CLASSES_ROOT, kAppIdKey, L"LaunchPermission", c.owner),
                  c.launch);
        EXPECT_EQ(StoredPermissionEntries(HKEY_CLASSES_ROOT, kAppIdKey, L"AccessPermission", c.owner),
                  c.access);
        EXPECT_EQ(AuthenticationLevel(), c.level);
    }
}

TEST_F(AgentAccessTest, AnAccountThatDoesNotResolveFailsBeforeAnythingIsWritten) {
    ASSERT_EQ(Installer(L"install-agent").exitCode, 0);
    const std::vector<BYTE> before = ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, L"LaunchPermission");
    ProcessResult result = Installer(L"install-agent", L"--grant Everyone --grant No.Such.Account");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.standardError.find(L"'No.Such.Account' cannot be resolved"), std::wstring::npos)
        << tesk_test::ToNarrow(result.standardError);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, L"LaunchPermission"), before);
}

TEST_F(AgentAccessTest, UninstallationRemovesWhatTheInstallationWrote) {
    ASSERT_EQ(Installer(L"install-agent").exitCode, 0);
    ASSERT_EQ(Installer(L"uninstall-agent").exitCode, 0);
    for (const wchar_t* value : {L"LaunchPermission", L"AccessPermission", L"AuthenticationLevel"}) {
        DWORD type = REG_BINARY;
        ReadValue(HKEY_CLASSES_ROOT, kAppIdKey, value, &type);
        EXPECT_EQ(type, static_cast<DWORD>(REG_NONE)) << tesk_test::ToNarrow(value);
    }
}

}  // namespace
