// A server registered unquoted from a folder with a blank, "C:\Srv Dir\Server.exe
// -instance 7", with a program planted at "C:\Srv.exe": started by StartServer as a
// process, and installed by ConfigureNTService and started by the Service Control
// Manager, the real program runs with its arguments, the planted one never.
#include <windows.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include "TeskAgent_h.h"
#include "TeskAgent/agent/services/service_fixture.h"
#include "support/test_support.h"

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));

namespace services_test {
namespace {

const std::wstring kServerFolder = L"C:\\Srv Dir";
const std::wstring kServer = kServerFolder + L"\\Server.exe";
const std::wstring kPlanted = L"C:\\Srv.exe";

struct Case {
    const char* name;
    bool asService;
    const wchar_t* expectedRecordEnd;  // what the real program's command line ends with
};

class PlantedProgramTest : public testing::TestWithParam<Case> {};

TEST_P(PlantedProgramTest, TheRegisteredProgramRunsNotThePlantedOne) {
    tesk_test::ScopedFiles files;
    ASSERT_TRUE(files.Folder(kServerFolder));
    ASSERT_TRUE(files.Copy(TESK_MARKER_EXE, kServer));
    ASSERT_TRUE(files.Copy(TESK_MARKER_EXE, kPlanted));
    ScopedProtocolService protocol;
    ASSERT_TRUE(protocol.available());
    tesk_test::ScopedTestClass server;
    server.Register(kServer + L" -instance 7", true);
    ScopedServiceRemoval removal(server.userTypeName());
    ITesk_AgentPtr agent;
    ASSERT_HRESULT_SUCCEEDED(
        tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent)));
    _bstr_t name(server.progId().c_str());

    if (GetParam().asService) {
        ASSERT_EQ(S_OK, agent->ConfigureNTService(name, 2));
        EXPECT_EQ(L"\"" + kServer + L"\" -instance 7 -service",
                  ReadServiceConfig(server.userTypeName()).binaryPath);
    }
    ASSERT_EQ(S_OK, agent->StartServer(name));
    std::wstring record = tesk_test::MarkerRecord(kServer, 20000);
    std::wstring end = GetParam().expectedRecordEnd;
    EXPECT_TRUE(record.size() >= end.size() && record.compare(record.size() - end.size(),
                                                              end.size(), end) == 0)
        << tesk_test::ToNarrow(record);
    EXPECT_EQ(tesk_test::MarkerRecord(kPlanted), L"") << "the planted program ran";
}

INSTANTIATE_TEST_SUITE_P(Starts, PlantedProgramTest,
                         testing::Values(Case{"AsProcess", false, L" -instance 7"},
                                         Case{"AsService", true, L" -instance 7 -service"}),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace services_test
