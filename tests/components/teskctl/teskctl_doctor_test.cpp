// teskctl doctor on a good installation, with open or locked-down grants, and
// with a library or a key missing (each change is put back at the end).
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include "support/test_support.h"
#include "support/unique_resource.h"
#include "teskctl_runner.h"

using nlohmann::json;
using teskctl_test::CtlRun;
using teskctl_test::RunCtl;
using tesk_test::RestoredKey;

namespace {

const wchar_t kAppIdKey[] = L"AppID\\{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kLoggerKey[] = L"SOFTWARE\\Quellix\\Framework\\Logger";
const wchar_t kRotMarshaling[] = L"Interface\\{1FB112CE-2871-4237-8C74-80B5DBC71A87}\\ProxyStubClsid32";

json CheckOf(const json& doctor, const char* id) {
    for (const json& check : doctor.value("checks", json::array()))
        if (check.value("id", "") == id) return check;
    return nullptr;
}

void WriteDescriptor(const wchar_t* value, const wchar_t* sddl) {
    tesk::UniqueLocalMem descriptor;
    ULONG size = 0;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        sddl, SDDL_REVISION_1, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), &size));
    tesk::UniqueRegKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT, kAppIdKey, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), value, 0, REG_BINARY,
                               static_cast<const BYTE*>(descriptor.get()), size),
              ERROR_SUCCESS);
}

TEST(TeskCtlDoctor, GoodInstallationHasNoFailedCheckAndListsWhatItRead) {
    const CtlRun run = RunCtl(L"doctor --json");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const json doctor = run.Json();
    for (const char* id : {"agentClass", "agentAppId", "typeLibrary", "marshaling", "loggerLibrary",
                           "adminAccountLibrary", "agentAnswers", "launchPermission",
                           "accessPermission", "authenticationLevel", "runAs", "dcomEnabled",
                           "machineAuthentication", "machineLaunchRestriction",
                           "machineAccessRestriction"}) {
        const json check = CheckOf(doctor, id);
        ASSERT_FALSE(check.is_null()) << id << run.out;
        EXPECT_NE(check.value("result", ""), "failed") << id << check.dump();
        EXPECT_FALSE(check.value("read", json::array()).empty()) << id;
        EXPECT_FALSE(check.value("detail", "").empty()) << id;
    }
    EXPECT_EQ(doctor["summary"].value("failed", -1), 0);
    const CtlRun human = RunCtl(L"doctor");
    EXPECT_EQ(human.exitCode, 0);
    EXPECT_NE(human.out.find("[ok] agent can be created and answers"), std::string::npos) << human.out;
}

TEST(TeskCtlDoctor, GrantsToEveryoneOrAnonymousAreWarnedAboutAndLockedDownOnesAreNot) {
    struct Case {
        const wchar_t* launch;
        const wchar_t* access;
        const char* result;
        const char* mentions;
    };
    const Case cases[] = {
        {L"O:BAG:BAD:(A;;0x1;;;WD)(A;;0x1;;;AN)", L"O:BAG:BAD:(A;;0x1;;;WD)(A;;0x1;;;AN)", "warning",
         "Everyone"},
        {L"O:BAG:BAD:(A;;0x1F;;;BA)(A;;0xB;;;SY)(A;;0xB;;;IU)",
         L"O:BAG:BAD:(A;;0x7;;;BA)(A;;0x3;;;SY)(A;;0x3;;;IU)", "ok", "Administrators"},
    };
    for (const Case& c : cases) {
        RestoredKey saved(HKEY_CLASSES_ROOT, kAppIdKey);
        WriteDescriptor(L"LaunchPermission", c.launch);
        WriteDescriptor(L"AccessPermission", c.access);
        const CtlRun run = RunCtl(L"doctor --json");
        EXPECT_EQ(run.exitCode, 0) << run.out;
        const json doctor = run.Json();
        for (const char* id : {"launchPermission", "accessPermission"}) {
            const json check = CheckOf(doctor, id);
            EXPECT_EQ(check.value("result", ""), c.result) << check.dump();
            EXPECT_NE(check.value("detail", "").find(c.mentions), std::string::npos) << check.dump();
        }
        const json launchCheck = CheckOf(doctor, "launchPermission");
        if (std::string(c.result) == "ok")
            EXPECT_NE(launchCheck.value("detail", "").find("local launch, remote launch, local "
                                                           "activation, remote activation"),
                      std::string::npos)
                << launchCheck.dump();
        else
            EXPECT_FALSE(launchCheck.value("advice", "").empty());
    }
}

TEST(TeskCtlDoctor, MissingLibraryOrMarshalingKeyFailsItsCheckAndTheExitCode) {
    struct Case {
        HKEY root;
        const wchar_t* path;
        const wchar_t* value;
        const wchar_t* replacement;  // null: the value is removed
        const char* failedCheck;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", L"C:\\teskctl-test\\no-such-folder",
         "loggerLibrary"},
        {HKEY_CLASSES_ROOT, kRotMarshaling, nullptr, nullptr, "marshaling"},
    };
    for (const Case& c : cases) {
        {
            RestoredKey saved(c.root, c.path);
            ASSERT_TRUE(saved.existed()) << tesk_test::ToNarrow(c.path);
            tesk::UniqueRegKey key;
            ASSERT_EQ(::RegOpenKeyExW(c.root, c.path, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
            if (c.replacement)
                tesk_test::WriteString(c.root, c.path, c.value, c.replacement);
            else
                ::RegDeleteValueW(key.get(), c.value);
            const CtlRun run = RunCtl(L"doctor --json");
            EXPECT_EQ(run.exitCode, 5) << run.out;
            const json check = CheckOf(run.Json(), c.failedCheck);
            EXPECT_EQ(check.value("result", ""), "failed") << check.dump();
            EXPECT_FALSE(check.value("advice", "").empty());
        }
        EXPECT_EQ(CheckOf(RunCtl(L"doctor --json").Json(), c.failedCheck).value("result", ""), "ok");
    }
}

}  // namespace
