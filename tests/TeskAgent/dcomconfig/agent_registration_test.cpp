// "TeskAgent -RegServer" end to end: the agent's AppID as the registration
// leaves it, read back through the security API. The registration's messages
// are captured from its standard error. Every test starts from a fresh AppID;
// the suite ends by installing the agent again, as the prefix had it.

#include <gtest/gtest.h>

#include "admin_account/Wardlow.h"
#include "descriptor_checks.h"
#include "process_capture.h"
#include "support/test_support.h"

using namespace dcom_test;

namespace {

const wchar_t kAgentAppIdKey[] = L"AppID\\{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}";
const std::wstring kLibraryPath = TESK_BUILD_DIR L"\\components\\admin_account\\Wardlow.dll";

const wchar_t kRunAsFailureLine[] =
    L"CDcomConfig::ChangeAppIDRunAs error setting AppID's RunAs value in registry: "
    L"RunLoggerConfig Error\r\n";
const wchar_t kOuterRunAsStart[] =
    L"SetDcomConfig Error: Error: ChangeAppIDRunAs({6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}) "
    L"returned ";

class AgentRegistrationTest : public testing::Test {
protected:
    SavedAdminUserConfig saved_;
    const std::wstring user_ = ProcessUserSid();

    static void TearDownTestSuite() {
        EXPECT_EQ(tesk_test::RunProcess(L"\"" TESK_INSTALLER_EXE L"\" install-agent \"" TESK_AGENT_EXE
                                        L"\""),
                  0);
    }

    void SetUp() override {
        // The library installed for this user, the agent's AppID gone.
        SetAdminUserValue(WARDLOW_INSTALL_PATH_VALUE, kLibraryPath.c_str(), REG_EXPAND_SZ);
        SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, UserName().c_str());
        ASSERT_EQ(tesk_test::RunProcess(L"\"" TESK_AGENT_EXE L"\" -UnregServer"), 0);
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, kAgentAppIdKey);
    }

    ProcessResult Register() {
        return RunCapturingStandardError(L"\"" TESK_AGENT_EXE L"\" -RegServer");
    }

    std::vector<AclEntry> Permission(const wchar_t* value) {
        return StoredPermissionEntries(HKEY_CLASSES_ROOT, kAgentAppIdKey, value, user_);
    }
    void ExpectGrantsInOrder() {
        const std::vector<AclEntry> expected = {Allowed(user_), Allowed(kSystemSid),
                                                Allowed(kWorldSid), Allowed(kAnonymousSid)};
        EXPECT_EQ(Permission(L"LaunchPermission"), expected);
        EXPECT_EQ(Permission(L"AccessPermission"), expected);
    }
    bool HasAuthenticationLevel(DWORD level) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data =
            ReadValue(HKEY_CLASSES_ROOT, kAgentAppIdKey, L"AuthenticationLevel", &type);
        return type == REG_DWORD && data.size() == sizeof(DWORD) &&
               *reinterpret_cast<DWORD*>(data.data()) == level;
    }
    std::wstring RunAs() { return tesk_test::ReadString(HKEY_CLASSES_ROOT, kAgentAppIdKey, L"RunAs"); }
    std::wstring InstallPath(DWORD* type = nullptr) {
        ReadValue(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, WARDLOW_INSTALL_PATH_VALUE, type);
        return tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY,
                                     WARDLOW_INSTALL_PATH_VALUE);
    }

    // The run-as failure as reported: the library's box, then the outer one
    // with a failure HRESULT of the Win32 facility.
    void ExpectRunAsFailureReported(const std::wstring& output) {
        size_t inner = output.find(kRunAsFailureLine);
        size_t outer = output.find(kOuterRunAsStart);
        ASSERT_NE(inner, std::wstring::npos) << tesk_test::ToNarrow(output);
        ASSERT_NE(outer, std::wstring::npos) << tesk_test::ToNarrow(output);
        EXPECT_LT(inner, outer);
        long code = std::wcstol(output.c_str() + outer + wcslen(kOuterRunAsStart), nullptr, 10);
        EXPECT_TRUE(FAILED(static_cast<HRESULT>(code)));
        EXPECT_EQ(HRESULT_FACILITY(static_cast<HRESULT>(code)), FACILITY_WIN32);
    }
};

// The agent copied into a folder of its own, where the system's library
// search finds what lies beside it, and a folder for a planted library.
class AgentCopy {
public:
    const std::wstring agent = L"C:\\TeskSearch\\Agent\\TeskAgent.exe";
    const std::wstring planted = L"C:\\TeskSearch\\Planted";
    AgentCopy() {
        for (const wchar_t* folder :
             {L"C:\\TeskSearch", L"C:\\TeskSearch\\Agent", L"C:\\TeskSearch\\Planted"})
            EXPECT_TRUE(files_.Folder(folder));
        EXPECT_TRUE(files_.Copy(TESK_AGENT_EXE, agent));
    }
    bool Put(const std::wstring& folder) { return files_.Copy(kLibraryPath, folder + L"\\Wardlow.dll"); }
    std::wstring AgentFolder() const { return agent.substr(0, agent.rfind(L'\\')); }
    ProcessResult Register() {
        return RunCapturingStandardError(L"\"" + agent + L"\" -RegServer", 60000, planted);
    }

private:
    tesk_test::ScopedFiles files_;
};

TEST_F(AgentRegistrationTest, RegistrationConfiguresTheAgentsAppIdOnceAndAgainTheSame) {
    for (int run = 0; run < 2; ++run) {  // registering again keeps one entry per principal
        SCOPED_TRACE(run);
        ProcessResult result = Register();
        ASSERT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.standardError, L"");
        SCOPED_TRACE(tesk_test::DumpTree(HKEY_CLASSES_ROOT, kAgentAppIdKey));
        ExpectGrantsInOrder();
        EXPECT_TRUE(HasAuthenticationLevel(1));
        EXPECT_EQ(RunAs(), QualifiedUserName());
        EXPECT_EQ(tesk_test::ReadString(HKEY_CLASSES_ROOT, kAgentAppIdKey, nullptr), L"Tesk_Agent");
    }
}

// A library that is missing, or that fails for want of an account: reported,
// with the exit code left alone.
TEST_F(AgentRegistrationTest, RunAsFailureIsReportedAndLeavesTheExitCodeAlone) {
    const std::wstring missing = TESK_BUILD_DIR L"\\components\\admin_account\\missing\\Wardlow.dll";
    for (bool libraryMissing : {false, true}) {
        SCOPED_TRACE(libraryMissing ? "library missing" : "no account");
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, kAgentAppIdKey);
        if (libraryMissing)
            SetAdminUserValue(WARDLOW_INSTALL_PATH_VALUE, missing.c_str(), REG_EXPAND_SZ);
        else
            SetAdminUserValue(WARDLOW_ACCOUNT_NAME_VALUE, nullptr);
        ProcessResult result = Register();
        EXPECT_EQ(result.exitCode, 0);
        ExpectRunAsFailureReported(result.standardError);
        // The grants were made before the run-as step; the level comes after it.
        ExpectGrantsInOrder();
        EXPECT_FALSE(HasAuthenticationLevel(1));
        EXPECT_EQ(RunAs(), L"Interactive User");
    }
    // A recorded path is never overwritten, even when its file is missing.
    EXPECT_EQ(InstallPath(), missing);
}

// No recorded path: the library beside the agent is found and its path
// recorded; an empty path means the same search and stays empty.
TEST_F(AgentRegistrationTest, LibraryBesideTheAgentIsFoundWhenNoPathIsRecorded) {
    for (const wchar_t* recorded : {static_cast<const wchar_t*>(nullptr), L""}) {
        SCOPED_TRACE(recorded ? "empty path" : "no path");
        tesk_test::DeleteTree(HKEY_CLASSES_ROOT, kAgentAppIdKey);
        SetAdminUserValue(WARDLOW_INSTALL_PATH_VALUE, recorded, REG_SZ);
        AgentCopy copy;
        ASSERT_TRUE(copy.Put(copy.AgentFolder()));
        ProcessResult result = copy.Register();
        ASSERT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.standardError, L"");
        DWORD type = REG_NONE;
        const std::wstring expected = recorded ? L"" : copy.AgentFolder() + L"\\Wardlow.dll";
        EXPECT_EQ(::lstrcmpiW(InstallPath(&type).c_str(), expected.c_str()), 0)
            << tesk_test::ToNarrow(InstallPath());
        EXPECT_EQ(type, static_cast<DWORD>(recorded ? REG_SZ : REG_EXPAND_SZ));
        EXPECT_EQ(RunAs(), QualifiedUserName());
        EXPECT_TRUE(HasAuthenticationLevel(1));
    }
}

// The search never reaches the current folder or PATH, where anyone could
// plant a library for an administrator's registration run; a library not
// found leaves no path recorded.
TEST_F(AgentRegistrationTest, LibraryPlantedInTheCurrentFolderAndOnPathIsNotLoaded) {
    SetAdminUserValue(WARDLOW_INSTALL_PATH_VALUE, nullptr);
    AgentCopy copy;
    ASSERT_TRUE(copy.Put(copy.planted));
    ProcessResult result = copy.Register();
    EXPECT_EQ(result.exitCode, 0);
    ExpectRunAsFailureReported(result.standardError);
    EXPECT_EQ(RunAs(), L"Interactive User");
    bool exists = true;
    tesk_test::ReadString(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY, WARDLOW_INSTALL_PATH_VALUE,
                          &exists);
    EXPECT_FALSE(exists) << "a planted library's path was recorded";
}

}  // namespace
