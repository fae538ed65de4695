// The agent's records in the prefix's log, seen from a client in another
// process. (Error information does not cross processes under Wine; the frame
// tests check it in process.)
#include <gmock/gmock.h>
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

// The logger's install folder, put back at the end of the scope.
struct SavedInstallPath {
    bool existed = false;
    const std::wstring path = ReadString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", &existed);
    ~SavedInstallPath() {
        if (existed) WriteString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", path);
    }
};

class AgentLogTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ConfiguredLogFile().empty()) << "the prefix configures no log folder";
        // Each test starts its own agent, which loads the library as it starts.
        ASSERT_TRUE(WaitForNoAgentProcess(30000));
    }
    void TearDown() override { WaitForNoAgentProcess(30000); }
};

TEST_F(AgentLogTest, ARaisedFailureWritesTwoRecordsAndWithTheLibraryAbsentTheSameAnswerAndNone) {
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
    using testing::HasSubstr;
    EXPECT_THAT(errors[0].text, HasSubstr(message + L" raised at line "));
    // The caught record carries the method frame's position in the agent object's source.
    EXPECT_THAT(errors[1].text, testing::AllOf(HasSubstr(message + L" caught at line "),
                                               HasSubstr(L" in Tesk_Agent.cpp (in "),
                                               testing::EndsWith(L").  ")));
    EXPECT_EQ(errors[0].tid, errors[1].tid);

    ASSERT_TRUE(WaitForNoAgentProcess(30000));
    SavedInstallPath saved;
    ASSERT_TRUE(saved.existed);
    WriteString(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath", L"C:\\no\\logger\\installed");
    LogTail absent;
    EXPECT_EQ(StartUnknownServer(&pid), hr);
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(absent.RecordsOf(pid).empty());
}

// With no install folder registered the library is looked for by its bare
// name: an agent started by hand in a folder holding a planted library, with
// that folder on its PATH, does not load it; the one beside the agent it does.
TEST_F(AgentLogTest, OnlyTheLibraryBesideTheAgentIsLoadedByItsBareName) {
    SavedInstallPath saved;
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLoggerKey, L"InstallPath");
    const std::wstring agentFolder = L"C:\\TeskLoad\\Agent", planted = L"C:\\TeskLoad\\Planted";
    for (bool besideAgent : {false, true}) {
        SCOPED_TRACE(besideAgent ? "beside the agent" : "planted");
        ScopedFiles files;
        for (const wchar_t* folder : {L"C:\\TeskLoad", agentFolder.c_str(), planted.c_str()})
            ASSERT_TRUE(files.Folder(folder));
        ASSERT_TRUE(files.Copy(TESK_AGENT_EXE, agentFolder + L"\\TeskAgent.exe"));
        ASSERT_TRUE(files.Copy(TESK_LOGGER_DLL,
                               (besideAgent ? agentFolder : planted) + L"\\Tracemill.dll"));

        DWORD pid = 0;
        tesk::UniqueKernelHandle process =
            StartProcessIn(agentFolder + L"\\TeskAgent.exe", L"", planted, planted, &pid);
        ASSERT_TRUE(process);
        DWORD served = 0;
        tesk::UniqueComPtr<ITesk_Agent> agent;
        ASSERT_EQ(CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(agent.put())), S_OK);
        OpenTheAgentProcess(&served);
        EXPECT_EQ(served, pid) << "the client was not served by the agent started here";
        LONG word = 0;
        agent.get()->IsServerActive(_bstr_t(kNoSuchServer), &word);  // writes a trace record
        EXPECT_EQ(ProcessHasModule(pid, L"Tracemill.dll"), besideAgent);
        agent.reset();
        EXPECT_NE(MillisecondsUntilExit(process.get(), 30000), -1);
    }
}

}  // namespace
