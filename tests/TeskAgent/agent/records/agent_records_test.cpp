// The warning and trace records the agent's methods write, read from the
// prefix's log as an administrator reads them, and that a failure that is
// returned writes no error record (a raised one writes two: agent_log_test.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <comdef.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TeskAgent_h.h"
#include "TeskAgent/diagnostics/log_reader.h"
#include "TeskAgent/host/process/agent_process.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using namespace tesk_test;
using testing::Contains;
using testing::IsEmpty;

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));
_COM_SMARTPTR_TYPEDEF(ITeskRot, __uuidof(ITeskRot));

namespace {

std::wstring Format(const wchar_t* format, const std::wstring& text) {
    wchar_t buffer[512];
    std::swprintf(buffer, 512, format, text.c_str());
    return buffer;
}

class AgentRecordsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ConfiguredLogFile().empty()) << "the prefix configures no log folder";
        ASSERT_EQ(CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent_)), S_OK);
        ASSERT_EQ(agent_->QueryInterface(IID_ITeskRot, reinterpret_cast<void**>(&rot_)), S_OK);
        ASSERT_TRUE(OpenTheAgentProcess(&pid_));
    }
    void TearDown() override {
        rot_ = nullptr;
        agent_ = nullptr;
        ::CoDisconnectObject(&object_, 0);
    }

    // The records of one level the agent wrote since tail was made.
    std::vector<std::wstring> Texts(const LogTail& tail, const wchar_t* level) {
        std::vector<std::wstring> texts;
        for (const LogRecord& record : tail.RecordsOf(pid_, L"TeskAgent"))
            if (record.level == level) texts.push_back(record.text);
        return texts;
    }

    ITesk_AgentPtr agent_;
    ITeskRotPtr rot_;
    DWORD pid_ = 0;
    // A plain object of this process that the agent's table can hold across processes.
    CountedObject object_;
};

TEST_F(AgentRecordsTest, TeskRotOperationsWriteTheirWarningsAndTraces) {
    const std::wstring key = L"{0A1B2C3D-0000-4000-8000-00000000A001}";
    _bstr_t guid(key.c_str());
    _variant_t value(static_cast<IUnknown*>(&object_));

    LogTail tail;
    ASSERT_EQ(rot_->TeskRotRegister(guid, value), S_OK);
    ASSERT_EQ(rot_->TeskRotRegister(guid, value), S_OK);
    _variant_t found;
    ASSERT_EQ(rot_->TeskRotGetActiveObject(guid, &found), S_OK);
    found.Clear();
    ASSERT_EQ(rot_->TeskRotUnRegister(guid), S_OK);
    ASSERT_EQ(rot_->TeskRotUnRegister(guid), S_OK);
    EXPECT_EQ(rot_->TeskRotGetActiveObject(guid, &found), E_FAIL);

    const auto warnings = Texts(tail, L"WARNING");
    const auto traces = Texts(tail, L"TRACE");
    EXPECT_THAT(warnings, Contains(Format(L"Server with GUID ('%ls') already registered in Tesk ROT!", key)).Times(1));
    EXPECT_THAT(warnings, Contains(Format(L"Attempt to unregister a Server with unknown GUID ('%ls').", key)).Times(1));
    EXPECT_THAT(traces, Contains(Format(L"Register a Server with GUID ('%ls').", key)).Times(2));
    EXPECT_THAT(traces, Contains(Format(L"Connected to Server with GUID ('%ls') via Tesk ROT.", key)).Times(1));
    EXPECT_THAT(traces, Contains(Format(L"Unregister a Server with GUID ('%ls').", key)).Times(1));
    EXPECT_THAT(traces, Contains(Format(L"Attempt to connect a Server with GUID ('%ls'), which is not currently in Tesk ROT.", key)).Times(1));
    EXPECT_THAT(Texts(tail, L"ERROR"), IsEmpty()) << "an absent entry is returned, not raised";
}

TEST_F(AgentRecordsTest, WrongValueTypeIsRaisedWithItsOperationText) {
    const std::wstring kWrongType = L"Could not Unexpected DataType during regisration in Tesk ROT..  ";
    LogTail tail;
    _variant_t notAnObject(42L);
    EXPECT_EQ(rot_->TeskRotRegister(_bstr_t(L"{0A1B2C3D-0000-4000-8000-00000000A002}"), notAnObject),
              E_INVALIDARG);
    EXPECT_THAT(Texts(tail, L"ERROR"), testing::ElementsAre(testing::StartsWith(kWrongType),
                                                            testing::StartsWith(kWrongType)));
}

TEST_F(AgentRecordsTest, UnknownProgIdGivesOneTraceWithTheLookupResult) {
    const std::wstring name = L"No.Such.TeskServer.1";
    CLSID clsid;
    const HRESULT lookup = ::CLSIDFromProgID(name.c_str(), &clsid);
    ASSERT_TRUE(FAILED(lookup));
    wchar_t expected[256];
    std::swprintf(expected, 256,
                  L"GetServerGuid() failed (hr = 0x%08x) for ProgID '%ls'. Server is probably uninstalled.",
                  static_cast<unsigned>(lookup), name.c_str());

    LogTail tail;
    LONG activity = 0;
    ASSERT_EQ(agent_->IsServerActive(_bstr_t(name.c_str()), &activity), S_OK);
    EXPECT_EQ(activity, 0x00010004);
    EXPECT_THAT(Texts(tail, L"TRACE"), testing::ElementsAre(expected));
}

TEST_F(AgentRecordsTest, ConnectToAServerInNeitherTableTracesBothLookups) {
    // The agent's own class resolves but publishes nothing in either table.
    const std::wstring clsidText = L"{6B1D3ED4-52C7-4A19-9E0B-7D2F5A8C1E34}";
    LogTail tail;
    IUnknown* server = nullptr;
    const HRESULT hr = agent_->Connect(_bstr_t(L"TeskAgent.Tesk_Agent.1"), &server);
    EXPECT_EQ(hr, MK_E_UNAVAILABLE) << HrText(hr);
    EXPECT_EQ(server, nullptr);

    wchar_t failed[256];
    std::swprintf(failed, 256, L"Failed to obtain IUnknown (hr = 0x%x) for server '%ls'",
                  static_cast<unsigned>(hr), clsidText.c_str());
    const auto traces = Texts(tail, L"TRACE");
    EXPECT_THAT(traces, Contains(Format(L"Attempt to connect a Server with GUID ('%ls'), which is not currently in Tesk ROT.", clsidText)).Times(1));
    EXPECT_THAT(traces, Contains(failed).Times(1));
    EXPECT_THAT(Texts(tail, L"ERROR"), IsEmpty()) << "the platform's failure is returned";
}

// A raised failure's two records: agent_log_test.cpp.
TEST_F(AgentRecordsTest, ReturnedFailuresWriteNoErrorRecord) {
    const _bstr_t unknown(L"No.Such.TeskServer.2");
    LogTail returned;
    EXPECT_EQ(agent_->ConfigureNTService(unknown, 2), E_FAIL);
    EXPECT_THAT(Texts(returned, L"ERROR"), IsEmpty());
    EXPECT_THAT(Texts(returned, L"WARNING"), Contains(L"Specified Server ('No.Such.TeskServer.2') is not installed.").Times(1));
}

}  // namespace
