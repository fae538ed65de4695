// Every command of TeskCtl.exe against the real agent: the JSON documents
// (parsed), the words for people, the exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TeskAgent/agent/agent_test_support.h"
#include "TeskAgent/agent/services/service_fixture.h"
#include "samples/sample_fixture.h"
#include "support/test_support.h"
#include "teskctl_runner.h"

using agent_test::ScopedTestClass;
using nlohmann::json;
using teskctl_test::CtlRun;
using teskctl_test::RunCtl;
using teskctl_test::Utf8;

namespace {

const wchar_t kAgentClsid[] = L"{6B1D3ED4-52C7-4A19-9E0B-7D2F5A8C1E34}";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The entry of list --json for a CLSID, null when there is none.
json ListedServer(const std::wstring& clsid) {
    const json listed = RunCtl(L"list --json").Json();
    for (const json& server : listed.value("servers", json::array()))
        if (server.value("clsid", "") == Utf8(clsid)) return server;
    return nullptr;
}

// A test class registered as an installed TeskServer, with the events of the
// state asked for and, when startType is not 0, an NT service of its name.
struct ServerInState {
    ScopedTestClass server;
    tesk::UniqueKernelHandle presence, stop;
    std::unique_ptr<services_test::ScopedService> service;

    ServerInState(bool running, bool stoppable, DWORD startType,
                  const std::wstring& progIdStem = L"TeskCtlTest.Server")
        : server(progIdStem) {
        server.WriteClassKey();
        server.WriteProgId();
        server.WriteLocalServer(Quoted(TESK_PLVSVC_FIXTURE_EXE));
        server.WriteCategory(agent_test::kTeskServerCategory);
        const std::wstring stem = L"Global\\" + server.clsidText();
        if (running) presence.reset(::CreateEventW(nullptr, TRUE, FALSE, (stem + L"_INPROC").c_str()));
        if (stoppable) stop.reset(::CreateEventW(nullptr, TRUE, FALSE, (stem + L"_FORCE").c_str()));
        if (startType)
            service = std::make_unique<services_test::ScopedService>(
                server.userTypeName(), Quoted(TESK_PLVSVC_FIXTURE_EXE), startType);
    }
};

TEST(TeskCtlUsage, BadUsageFailsWithOneAndHelpAndVersionSucceed) {
    struct Case {
        const wchar_t* arguments;
        long exitCode;
        const char* outContains;
    };
    const Case cases[] = {
        {L"", 1, ""},
        {L"frobnicate", 1, ""},
        {L"status", 1, ""},
        {L"service Some.Server sometimes", 1, ""},
        {L"start Some.Server --timeout -3", 1, ""},
        {L"list --no-such-option", 1, ""},
        {L"--version", 0, TESK_PRODUCT_VERSION},
        {L"--help", 0, "doctor"},
        {L"start --help", 0, "--timeout"},
    };
    for (const Case& c : cases) {
        const CtlRun run = RunCtl(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_NE(run.out.find(c.outContains), std::string::npos) << c.arguments << "\n" << run.out;
        if (c.exitCode == 1) {
            EXPECT_FALSE(run.err.empty()) << c.arguments;
        }
    }
    // In JSON mode a usage error is a JSON error document on standard output.
    const CtlRun run = RunCtl(L"frobnicate --json");
    EXPECT_EQ(run.exitCode, 1);
    const json document = run.Json();
    ASSERT_TRUE(document.contains("error")) << run.out;
    EXPECT_TRUE(document["error"]["hresult"].is_null());
    EXPECT_FALSE(document["error"]["message"].get<std::string>().empty());
}

TEST(TeskCtlServers, StatusAndListDecodeEveryStateAndStartMode) {
    struct Case {
        bool running, stoppable;
        DWORD startType;
        long activity;
        const char* state;
        const char* service;
        const wchar_t* stateWords;
        const wchar_t* serviceWords;
        const wchar_t* progIdStem;
    };
    const Case cases[] = {
        {false, false, 0, 0x00010001, "stopped", "none", L"not running", L"no service",
         L"TeskCtlTest.Server"},
        {true, false, SERVICE_DEMAND_START, 0x00020002, "running", "demand",
         L"running, not stoppable", L"demand-start service", L"TeskCtlTest.Server"},
        // A ProgID beyond ASCII comes through arguments, JSON and text.
        {true, true, SERVICE_AUTO_START, 0x00040003, "stoppable", "auto", L"running, stoppable",
         L"auto-start service", L"TeskCtlTest.S\u00E9rv\u00E9r\u00DF\u03A9\u4E2D"},
    };
    for (const Case& c : cases) {
        ServerInState fixture(c.running, c.stoppable, c.startType, c.progIdStem);
        if (c.startType) {
            ASSERT_TRUE(*fixture.service) << fixture.service->createError();
        }
        const std::wstring progId = fixture.server.progId();
        SCOPED_TRACE(c.state);

        const CtlRun status = RunCtl(L"status " + progId + L" --json");
        EXPECT_EQ(status.exitCode, 0) << status.out << status.err;
        const json document = status.Json();
        EXPECT_EQ(document.value("activity", 0L), c.activity) << status.out;
        EXPECT_EQ(document.value("state", ""), c.state);
        EXPECT_EQ(document.value("service", ""), c.service);

        // The same for people, written to a file as UTF-8.
        const CtlRun words = RunCtl(L"status " + progId);
        EXPECT_EQ(words.exitCode, 0);
        EXPECT_NE(words.out.find(Utf8(progId)), std::string::npos) << words.out;
        EXPECT_NE(words.OutText().find(c.stateWords), std::wstring::npos) << words.out;
        EXPECT_NE(words.OutText().find(c.serviceWords), std::wstring::npos) << words.out;

        const json listed = ListedServer(fixture.server.clsidText());
        ASSERT_FALSE(listed.is_null()) << RunCtl(L"list --json").out;
        EXPECT_EQ(listed.value("progId", ""), Utf8(progId));
        EXPECT_EQ(listed.value("activity", 0L), c.activity);
        EXPECT_EQ(listed.value("state", ""), c.state);
        EXPECT_EQ(listed.value("service", ""), c.service);
        EXPECT_NE(RunCtl(L"list").out.find(Utf8(progId)), std::string::npos);
    }
}

TEST(TeskCtlServers, UnknownServerExitsWithTwoForEveryServerCommand) {
    const std::wstring unknown = L"TeskCtlTest.NoSuchServer.1";
    for (const wchar_t* command : {L"status ", L"start ", L"stop ", L"info "}) {
        const CtlRun run = RunCtl(command + unknown + L" --json");
        EXPECT_EQ(run.exitCode, 2) << command << run.out;
        const json document = run.Json();
        ASSERT_TRUE(document.contains("error")) << run.out;
        EXPECT_NE(document["error"].value("message", "").find(Utf8(unknown)), std::string::npos);
        EXPECT_FALSE(document["error"].value("hint", "").empty());
    }
    const CtlRun human = RunCtl(L"service " + unknown + L" demand");
    EXPECT_EQ(human.exitCode, 2);
    EXPECT_TRUE(human.out.empty());
    EXPECT_NE(human.err.find("teskctl list"), std::string::npos) << human.err;
}

TEST(TeskCtlServers, StartAndStopWaitForTheSampleServer) {
    sample_test::RegisteredSample sample(230);
    ASSERT_EQ(sample.registrationResult(), 0);
    const std::wstring progId = sample.names().progId;

    const CtlRun start = RunCtl(L"start " + progId + L" --wait --timeout 45 --json");
    ASSERT_EQ(start.exitCode, 0) << start.out << start.err;
    json document = start.Json();
    EXPECT_EQ(document.value("state", ""), "stoppable");
    EXPECT_FALSE(document.value("alreadyRunning", true));
    EXPECT_TRUE(sample_test::EventExists(sample_test::PresenceEvent(sample.names())));
    EXPECT_TRUE(RunCtl(L"start " + progId + L" --json").Json().value("alreadyRunning", false));

    // The running sample publishes itself under its CLSID text; keys are case-sensitive.
    const std::wstring clsid = sample.names().clsidText;
    std::wstring lower = clsid;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
    EXPECT_TRUE(RunCtl(L"rot " + clsid + L" --json").Json().value("entry", false));
    EXPECT_FALSE(RunCtl(L"rot " + lower + L" --json").Json().value("entry", true));
    EXPECT_NE(RunCtl(L"rot " + clsid).out.find("holds an entry"), std::string::npos);

    // Property 1 comes from the running server; the in-process module has versions.
    const CtlRun info = RunCtl(L"info " + progId + L" --json");
    EXPECT_EQ(info.exitCode, 0) << info.err;
    document = info.Json();
    ASSERT_EQ(document["properties"].size(), 4u) << info.out;
    EXPECT_EQ(document["properties"][0].value("value", ""), "1230");
    EXPECT_EQ(document["properties"][0].value("hresult", ""), "0x00000000");
    for (const json& attribute : document["modules"]["inproc"]) {
        if (attribute.value("name", "") != "TeskToolkitVersion") continue;
        EXPECT_EQ(attribute.value("hresult", ""), "0x00000000");
        EXPECT_FALSE(attribute.value("value", "").empty());
    }
    // Instance 230 registers "-instance 230" after its path: not a file name.
    for (const json& attribute : document["modules"]["local"])
        if (attribute.value("name", "") == "FileVersion") {
            EXPECT_EQ(attribute.value("hresult", ""), "0x80004005");
        }
    EXPECT_NE(RunCtl(L"info " + progId).out.find("TeskToolkitVersion"), std::string::npos);

    const CtlRun stop = RunCtl(L"stop " + progId + L" --wait --json");
    ASSERT_EQ(stop.exitCode, 0) << stop.out << stop.err;
    EXPECT_EQ(stop.Json().value("state", ""), "stopped");
    EXPECT_FALSE(sample_test::EventExists(sample_test::PresenceEvent(sample.names())));
    EXPECT_TRUE(RunCtl(L"stop " + progId + L" --json").Json().value("alreadyStopped", false));
}

TEST(TeskCtlServers, StartThatTimesOutAndStopWithoutStopEventExitWithFive) {
    // The registered program runs without creating the server events.
    ServerInState stopped(false, false, 0), unstoppable(true, false, 0);
    struct Case {
        std::wstring arguments;
        const char* hresult;  // null: no HRESULT
    };
    const Case cases[] = {
        {L"start " + stopped.server.progId() + L" --wait --timeout 1 --json", "0x800705B4"},
        {L"stop " + unstoppable.server.progId() + L" --json", nullptr},
    };
    for (const Case& c : cases) {
        const CtlRun run = RunCtl(c.arguments);
        EXPECT_EQ(run.exitCode, 5) << run.out;
        const json error = run.Json().value("error", json::object());
        EXPECT_EQ(error["hresult"].is_null(), c.hresult == nullptr) << run.out;
        if (c.hresult) {
            EXPECT_EQ(error.value("hresult", ""), c.hresult);
        }
    }
}

TEST(TeskCtlServers, ServiceInstallsAndRemovesTheSampleAsAnNtService) {
    sample_test::RegisteredSample sample(231);
    ASSERT_EQ(sample.registrationResult(), 0);
    services_test::ScopedServiceRemoval removal(sample.names().userTypeName);
    for (const char* mode : {"demand", "auto", "none"}) {
        const CtlRun run = RunCtl(L"service " + sample.names().progId + L" " +
                                  tesk_test::ToWide(mode) + L" --json");
        EXPECT_EQ(run.exitCode, 0) << mode << run.out << run.err;
        EXPECT_EQ(run.Json().value("service", ""), mode);
    }
    EXPECT_FALSE(services_test::ReadServiceConfig(sample.names().userTypeName).exists);
}

TEST(TeskCtlServers, PluginsListsTheInstalledSamplePlugin) {
    const std::wstring installer = Quoted(TESK_INSTALLER_EXE) + L" ";
    const std::wstring module = Quoted(TESK_SAMPLE_MODULE_DLL);
    ASSERT_EQ(tesk_test::RunProcess(installer + L"install-sample-plugin " + module), 0);
    const CtlRun run = RunCtl(L"plugins --json");
    tesk_test::RunProcess(installer + L"uninstall-sample-plugin " + module);
    EXPECT_EQ(run.exitCode, 0);
    const json plugins = run.Json().value("plugins", json::array());
    EXPECT_NE(std::find(plugins.begin(), plugins.end(), "TeskSample.IoPlugin.1"), plugins.end())
        << run.out;
    const json after = RunCtl(L"plugins --json").Json().value("plugins", json::array());
    EXPECT_EQ(std::find(after.begin(), after.end(), "TeskSample.IoPlugin.1"), after.end());
}

TEST(TeskCtlAgent, NodeOptionIsAcceptedBeforeAndAfterTheCommand) {
    // Wine activates the local agent whatever the node; Windows would ask that node.
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD chars = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(computer, &chars);
    for (const std::wstring& arguments :
         {L"--node " + std::wstring(computer) + L" list --json",
          L"list --json --node " + std::wstring(computer)}) {
        const CtlRun run = RunCtl(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_TRUE(run.Json().contains("servers")) << run.out;
    }
}

TEST(TeskCtlAgent, AgentThatCannotBeCreatedExitsWithFourAndAHint) {
    const std::wstring classKey = std::wstring(L"CLSID\\") + kAgentClsid;
    struct Case {
        std::wstring hidden;
        const char* hresult;  // null: whatever the platform reports
        const char* hint;
    };
    const Case cases[] = {{classKey, "0x80040154", "not registered"},
                          {classKey + L"\\LocalServer32", nullptr, "doctor"}};
    for (const Case& c : cases) {
        {
            tesk_test::RestoredKey saved(HKEY_CLASSES_ROOT, c.hidden);
            ASSERT_TRUE(saved.existed());
            tesk_test::DeleteTree(HKEY_CLASSES_ROOT, c.hidden);
            // An agent that still runs would be reached without its registration.
            for (DWORD pid : tesk_test::FindProcesses(L"TeskAgent.exe")) {
                tesk::UniqueKernelHandle process = tesk_test::OpenProcessForWait(pid);
                if (process) ::WaitForSingleObject(process.get(), 30000);
            }
            const CtlRun run = RunCtl(L"list --json");
            EXPECT_EQ(run.exitCode, 4) << run.out;
            const json error = run.Json().value("error", json::object());
            if (c.hresult) {
                EXPECT_EQ(error.value("hresult", ""), c.hresult) << run.out;
            }
            EXPECT_NE(error.value("hint", "").find(c.hint), std::string::npos) << run.out;
            const CtlRun human = RunCtl(L"status Some.Server");
            EXPECT_EQ(human.exitCode, 4);
            EXPECT_NE(human.err.find("hint: "), std::string::npos) << human.err;
        }
        EXPECT_EQ(RunCtl(L"list").exitCode, 0);
    }
}

}  // namespace
