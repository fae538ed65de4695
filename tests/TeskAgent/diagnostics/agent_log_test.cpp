// The agent's records in the prefix's log, seen from a client in another
// process. (Error information does not cross processes under Wine; the frame
// tests check it in process.)
#include <gtest/gtest.h>

#include <comdef.h>

#include "TeskAgent_h.h"
#include "TeskAgent/diagnostics/log_reader.h"
#include "TeskAgent/diagnostics/system_text.h"
#include "TeskAgent/host/process/agent_process.h"
#include "support/test_support.h"

using namespace tesk_test;

namespace {

constexpr const wchar_t kLoggerKey[] = L"SOFTWARE\\Quellix\\Framework\\Logger";
// A server name nothing resolves: starting it fails with a raised E_FAIL.
constexpr const wchar_t kNoSuchServer[] = L"No.Such.Server";

// Starts the unknown server in a fresh agent process; returns the result and the agent's pid.
HRESULT StartUnknownServer(DWORD* agentPid) {
    *agentPid = 0;
    tesk::UniqueComPtr<ITesk_Agent> agent;
    HRESULT hr = CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(agent.put()));
    if (FAILED(hr)) return hr;
    OpenTheAgentProcess(agentPid);
    _bstr_t name(kNoSuchServer);
    return agent->StartServer(name);
}

class AgentLogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ConfiguredLogFile().empty()) << "the prefix configures no log folder";
        // Each test starts its own agent, which loads the library as it starts.
        ASSERT_TRUE(WaitForNoAgentProcess(30000));
    }
    void TearDown() override { WaitForNoAgentProcess(30000); }
};

TEST_F(AgentLogTest, ARaisedFailureWritesItsTwoRecordsUnderTheAgentsIdentity) {
    LogTail tail;
    DWORD pid = 0;
    HRESULT hr = StartUnknownServer(&pid);
    EXPECT_EQ(hr, E_FAIL) << HrText(hr);
    ASSERT_NE(pid, 0u);

    std::vector<LogRecord> errors;
    for (const LogRecord& record : tail.RecordsOf(pid)) {
        EXPECT_EQ(record.identity, L"TeskAgent");
        EXPECT_TRUE(record.wellFormed);
        if (record.level == L"ERROR") errors.push_back(record);
    }
    ASSERT_EQ(errors.size(), 2u);
    const std::wstring message = ExpectedErrorMessage(hr);
    EXPECT_TRUE(Contains(errors[0].text, message + L" raised at line ")) << errors[0].text;
    EXPECT_TRUE(Contains(errors[1].text, message + L" caught at line ")) << errors[1].text;
    // The caught record carries the method frame's position in the agent object's source.
    EXPECT_TRUE(Contains(errors[1].text, L" in Tesk_Agent.cpp (in ")) << errors[1].text;
    EXPECT_TRUE(EndsWith(errors[1].text, L").  ")) << errors[1].text;
    EXPECT_EQ(errors[0].tid, errors[1].tid);
}

TEST_F(AgentLogTest, WithTheLibraryAbsentTheAgentAnswersTheSameAndLogsNothing) {
    DWORD pid = 0;
    const HRESULT withLibrary = StartUnknownServer(&pid);
    ASSERT_TRUE(WaitForNoAgentProcess(30000));

    bool hadPath = false;
    const std::wstring installPath = ReadString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath",
                                                &hadPath);
    ASSERT_TRUE(hadPath);
    struct RestorePath {
        std::wstring path;
        ~RestorePath() {
            WriteString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", path);
        }
    } restore{installPath};
    WriteString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", L"C:\\no\\logger\\installed");

    LogTail tail;
    const HRESULT withoutLibrary = StartUnknownServer(&pid);
    EXPECT_EQ(withoutLibrary, withLibrary) << HrText(withoutLibrary);
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(tail.RecordsOf(pid).empty());
}

}  // namespace
