// "RegServer" and "UnregServer" run as their own processes, as an installer runs them.
#include <gtest/gtest.h>

#include "TeskAgent/host/process/agent_process.h"
#include "support/test_support.h"

using namespace tesk_test;

namespace {

const wchar_t kClassKey[] = L"CLSID\\{6B1D3ED4-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kAppIdKey[] = L"AppID\\{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kAppIdText[] = L"{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34}";
const wchar_t kClsidText[] = L"{6B1D3ED4-52C7-4A19-9E0B-7D2F5A8C1E34}";

std::wstring Agent(const wchar_t* arguments) {
    return std::wstring(L"\"") + TESK_AGENT_EXE + L"\" " + arguments;
}

std::wstring RegistrationDump() {
    return DumpTree(HKEY_CLASSES_ROOT, kClassKey) + DumpTree(HKEY_CLASSES_ROOT, kAppIdKey) +
           DumpTree(HKEY_CLASSES_ROOT, L"AppID\\TeskAgent.EXE") +
           DumpTree(HKEY_CLASSES_ROOT, L"TeskAgent.Tesk_Agent") +
           DumpTree(HKEY_CLASSES_ROOT, L"TeskAgent.Tesk_Agent.1");
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    return ReadString(HKEY_CLASSES_ROOT, path, name);
}

void ExpectRegistered() {
    SCOPED_TRACE(RegistrationDump());
    EXPECT_EQ(Value(L"TeskAgent.Tesk_Agent.1"), L"Tesk_Agent Class");
    EXPECT_EQ(Value(L"TeskAgent.Tesk_Agent.1\\CLSID"), kClsidText);
    EXPECT_EQ(Value(L"TeskAgent.Tesk_Agent"), L"Tesk_Agent Class");
    EXPECT_EQ(Value(L"TeskAgent.Tesk_Agent\\CLSID"), kClsidText);
    EXPECT_EQ(Value(L"TeskAgent.Tesk_Agent\\CurVer"), L"TeskAgent.Tesk_Agent.1");
    EXPECT_EQ(Value(kClassKey), L"Tesk_Agent Class");
    EXPECT_EQ(Value(kClassKey, L"AppID"), kAppIdText);
    EXPECT_EQ(Value(std::wstring(kClassKey) + L"\\ProgID"), L"TeskAgent.Tesk_Agent.1");
    EXPECT_EQ(Value(std::wstring(kClassKey) + L"\\VersionIndependentProgID"),
              L"TeskAgent.Tesk_Agent");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\Programmable"));
    EXPECT_EQ(Value(std::wstring(kClassKey) + L"\\LocalServer32"), TESK_AGENT_EXE);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\InprocServer32"));
    // The class script runs after the AppID script and names the AppID anew.
    EXPECT_EQ(Value(kAppIdKey), L"Tesk_Agent");
    EXPECT_EQ(Value(L"AppID\\TeskAgent.EXE", L"AppID"), kAppIdText);
}

void ExpectUnregistered() {
    SCOPED_TRACE(RegistrationDump());
    for (const wchar_t* key : {L"TeskAgent.Tesk_Agent.1", L"TeskAgent.Tesk_Agent", kClassKey,
                               kAppIdKey, L"AppID\\TeskAgent.EXE"})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
}

class RegistrationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WaitForNoAgentProcess()); }
    void TearDown() override { EXPECT_EQ(ReinstallAgent(), 0); }
};

// Which switches register is the command-line scan's own test.
TEST_F(RegistrationTest, UnregServerRemovesAndRegServerWritesTheTabledEntriesAnew) {
    ASSERT_EQ(RunProcess(Agent(L"-UnregServer")), 0);
    ExpectUnregistered();
    EXPECT_EQ(RunProcess(Agent(L"-UnregServer")), 0) << "removing twice succeeds";

    ASSERT_EQ(RunProcess(Agent(L"-regserver")), 0);
    ExpectRegistered();
    // Registering again replaces the class key.
    WriteString(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\Stale", nullptr,
                L"left over");
    ASSERT_EQ(RunProcess(Agent(L"/RegServer")), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kClassKey) + L"\\Stale"));
    ExpectRegistered();
}

TEST_F(RegistrationTest, SwitchFollowedByMoreTextRunsTheServerInstead) {
    ASSERT_EQ(RunProcess(Agent(L"-UnregServer")), 0);

    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    std::wstring line = Agent(L"-RegServer -Embedding");
    ASSERT_TRUE(::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started));
    tesk::UniqueKernelHandle process(started.hProcess), thread(started.hThread);

    // Serving, not registering: it keeps running and writes nothing.
    EXPECT_EQ(MillisecondsUntilExit(process.get(), 3000), -1);
    ExpectUnregistered();

    // Register again, then let one client end the hand-started server's run.
    ASSERT_EQ(RunProcess(Agent(L"-RegServer")), 0);
    IUnknown* agent = nullptr;
    ASSERT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(&agent)), S_OK);
    agent->Release();
    EXPECT_GE(MillisecondsUntilExit(process.get(), 30000), 0) << "the server did not end";
}

// Registered from a folder with a blank, its LocalServer32 is quoted, and COM
// starts the agent from there, never a program planted at "C:\Tesk.exe".
TEST_F(RegistrationTest, AgentInAFolderWithABlankIsActivatedFromThere) {
    const std::wstring folder = L"C:\\Tesk Agent", agentCopy = folder + L"\\TeskAgent.exe";
    const std::wstring planted = L"C:\\Tesk.exe";
    ScopedFiles files;
    ASSERT_TRUE(files.Folder(folder));
    ASSERT_TRUE(files.Copy(TESK_AGENT_EXE, agentCopy));
    ASSERT_TRUE(files.Copy(TESK_MARKER_EXE, planted));
    ASSERT_EQ(RunProcess(L"\"" + agentCopy + L"\" -RegServer"), 0);
    EXPECT_EQ(Value(std::wstring(kClassKey) + L"\\LocalServer32"), L"\"" + agentCopy + L"\"");

    tesk::UniqueComPtr<IUnknown> agent;
    EXPECT_EQ(CreateAgent(IID_IUnknown, reinterpret_cast<void**>(agent.put())), S_OK);
    DWORD pid = 0;
    tesk::UniqueKernelHandle process = OpenTheAgentProcess(&pid);
    EXPECT_EQ(::lstrcmpiW(ProcessImagePath(pid).c_str(), agentCopy.c_str()), 0)
        << ToNarrow(ProcessImagePath(pid));
    EXPECT_EQ(MarkerRecord(planted), L"") << "the planted program ran";
    agent.reset();
    ASSERT_TRUE(process);
    EXPECT_GE(MillisecondsUntilExit(process.get(), 30000), 0);
}

}  // namespace
