// ConfigureNTService called on the real agent process, as any client would:
// the services it creates, changes and removes, the server's AppID values,
// and the pause it takes before any change.
#include <windows.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include "TeskAgent/diagnostics/log_reader.h"
#include "TeskAgent_h.h"
#include "TeskAgent/agent/services/service_fixture.h"
#include "support/test_support.h"
#include "test_paths.h"

_COM_SMARTPTR_TYPEDEF(ITesk_Agent, __uuidof(ITesk_Agent));

namespace services_test {
namespace {

using tesk_test::ScopedTestClass;

constexpr LONG kRemove = 1, kDemand = 2, kAuto = 3;
constexpr DWORD kServerServiceType = 0x110;  // own process, interactive
// The agent pauses 1500 ms before a change; a call that changes nothing
// returns well within this bound even on a slow machine.
constexpr ULONGLONG kAtOnceMs = 1000;
constexpr ULONGLONG kPauseMs = 1450;

// Quoted path with an argument; the binary path quotes the executable whether
// or not the registered value did.
const std::wstring kCommandLine = L"\"" TESK_PLVSVC_FIXTURE_EXE L"\" -x";

class ConfigureServiceTest : public testing::Test {
protected:
    explicit ConfigureServiceTest(REGSAM view = 0) : server_(view) {}
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(
            tesk_test::CreateAgent(IID_ITesk_Agent, reinterpret_cast<void**>(&agent_)));
    }

    HRESULT Configure(const std::wstring& name, LONG type, ULONGLONG* elapsedMs = nullptr) {
        ULONGLONG start = ::GetTickCount64();
        HRESULT hr = agent_->ConfigureNTService(_bstr_t(name.c_str()), type);
        if (elapsedMs) *elapsedMs = ::GetTickCount64() - start;
        return hr;
    }

    LONG StartMode(const std::wstring& name) {
        LONG word = 0;
        EXPECT_HRESULT_SUCCEEDED(agent_->IsServerActive(_bstr_t(name.c_str()), &word));
        return word & 0xFFFF0000;
    }

    std::wstring AppIdValue(const wchar_t* value, bool* exists) {
        return tesk_test::ReadString(HKEY_CLASSES_ROOT, server_.AppIdPath(), value, exists,
                                     server_.view());
    }

    ITesk_AgentPtr agent_;
    ScopedTestClass server_;
    ScopedServiceRemoval removal_{server_.userTypeName()};
};

// Installed, switched and removed in the server's own registry view: a 32-bit
// server's class, command line and AppID key are in the 32-bit view only.
class ConfigureInViewTest : public ConfigureServiceTest,
                            public testing::WithParamInterface<REGSAM> {
protected:
    ConfigureInViewTest() : ConfigureServiceTest(GetParam()) {}
};

TEST_P(ConfigureInViewTest, InstallsSwitchesAndRemovesTheServiceWithItsComSettings) {
    server_.Register(kCommandLine, true);
    if (server_.view()) {
        ASSERT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, server_.ClassKeyPath()));
    }
    ULONGLONG elapsed = 0;
    EXPECT_EQ(S_OK, Configure(server_.progId(), kRemove, &elapsed));  // nothing installed yet
    EXPECT_LT(elapsed, kAtOnceMs);
    const struct {
        LONG type;
        bool byClsid;
        DWORD startType;  // 0: no service
        LONG mode;
    } steps[] = {{kDemand, false, SERVICE_DEMAND_START, 0x00020000},
                 {kAuto, true, SERVICE_AUTO_START, 0x00040000},
                 {kRemove, false, 0, 0x00010000}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.type);
        ASSERT_EQ(S_OK, Configure(step.byClsid ? server_.clsidText() : server_.progId(), step.type,
                                  &elapsed));
        EXPECT_GE(elapsed, kPauseMs);
        ServiceConfig config = ReadServiceConfig(server_.userTypeName());
        EXPECT_EQ(step.startType != 0, config.exists);
        if (config.exists) {
            EXPECT_EQ(kCommandLine + L" -service", config.binaryPath);
            EXPECT_EQ(kServerServiceType, config.serviceType);
            EXPECT_EQ(step.startType, config.startType);
            EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.errorControl);
            EXPECT_EQ(0, _wcsicmp(L"LocalSystem", config.account.c_str())) << config.account;
            EXPECT_EQ(server_.userTypeName(), config.displayName);
            EXPECT_EQ(std::vector<std::wstring>{L"plvsvc"}, StoredDependencies(server_.userTypeName()));
        }
        bool service = false, parameters = false;
        std::wstring localService = AppIdValue(L"LocalService", &service);
        std::wstring serviceParameters = AppIdValue(L"ServiceParameters", &parameters);
        EXPECT_EQ(step.startType != 0, service);
        EXPECT_EQ(step.startType != 0, parameters);
        if (service) {
            EXPECT_EQ(server_.userTypeName(), localService);
            EXPECT_EQ(L"-Service", serviceParameters);
        }
        EXPECT_EQ(step.mode, StartMode(server_.progId()));
    }
    EXPECT_TRUE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, server_.AppIdPath(), server_.view()));
}

INSTANTIATE_TEST_SUITE_P(Views, ConfigureInViewTest,
                         testing::Values(REGSAM{0}, REGSAM{KEY_WOW64_32KEY}));

// Nothing may be touched: values removed by hand stay removed, a changed
// dependency stays, and the call does not pause.
TEST_F(ConfigureServiceTest, AskingForThePresentStartTypeChangesNothing) {
    server_.Register(kCommandLine, true);
    for (LONG type : {kDemand, kAuto}) {
        SCOPED_TRACE(type);
        ASSERT_EQ(S_OK, Configure(server_.progId(), type));
        ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, server_.AppIdPath().c_str(), L"LocalService");
        ASSERT_TRUE(ChangeDisplayAndDependencies(server_.userTypeName(), nullptr, L"otherdep\0"));

        ULONGLONG elapsed = 0;
        EXPECT_EQ(S_OK, Configure(server_.progId(), type, &elapsed));
        EXPECT_LT(elapsed, kAtOnceMs);
        bool exists = true;
        AppIdValue(L"LocalService", &exists);
        EXPECT_FALSE(exists);
        EXPECT_EQ(std::vector<std::wstring>{L"otherdep"}, StoredDependencies(server_.userTypeName()));
    }
}

TEST_F(ConfigureServiceTest, SwitchingDemandToAutoChangesStartTypeBinaryPathAndDependency) {
    server_.Register(kCommandLine, true);
    ASSERT_EQ(S_OK, Configure(server_.progId(), kDemand));
    ASSERT_TRUE(ChangeDisplayAndDependencies(server_.userTypeName(), L"Kept Display Name",
                                             L"otherdep\0"));
    server_.WriteLocalServer(L"Z:\\elsewhere\\Other.exe");
    ServiceConfig before = ReadServiceConfig(server_.userTypeName());

    ULONGLONG elapsed = 0;
    ASSERT_EQ(S_OK, Configure(server_.progId(), kAuto, &elapsed));
    EXPECT_GE(elapsed, kPauseMs);
    ServiceConfig after = ReadServiceConfig(server_.userTypeName());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), after.startType);
    EXPECT_EQ(L"\"Z:\\elsewhere\\Other.exe\" -service", after.binaryPath);
    EXPECT_EQ(before.serviceType, after.serviceType);
    EXPECT_EQ(before.errorControl, after.errorControl);
    EXPECT_EQ(before.account, after.account);
    EXPECT_EQ(L"Kept Display Name", after.displayName);
    EXPECT_EQ(std::vector<std::wstring>{L"plvsvc"}, StoredDependencies(server_.userTypeName()));
}

TEST_F(ConfigureServiceTest, RefusesUnknownServersServersWithoutCommandLineAndOtherTypes) {
    EXPECT_EQ(E_FAIL, Configure(L"TeskServiceTest.NoSuchServer.1", kDemand));
    // Without a command line at once, other service types after the pause.
    const struct {
        const wchar_t* commandLine;
        LONG type;
        bool paused;
    } cases[] = {{L"", kDemand, false}, {kCommandLine.c_str(), 0, true}, {kCommandLine.c_str(), 4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        server_.Register(c.commandLine, true);
        ULONGLONG elapsed = 0;
        EXPECT_EQ(E_INVALIDARG, Configure(server_.progId(), c.type, &elapsed));
        EXPECT_EQ(c.paused, elapsed >= kPauseMs) << elapsed;
        EXPECT_FALSE(ReadServiceConfig(server_.userTypeName()).exists);
        bool exists = true;
        AppIdValue(L"LocalService", &exists);
        EXPECT_FALSE(exists);
    }
}

TEST_F(ConfigureServiceTest, MissingAppIdKeyStillCreatesService) {
    server_.Register(kCommandLine, false);
    tesk_test::LogTail log;
    EXPECT_EQ(S_OK, Configure(server_.progId(), kDemand));
    EXPECT_TRUE(ReadServiceConfig(server_.userTypeName()).exists);
    EXPECT_FALSE(tesk_test::KeyExists(HKEY_CLASSES_ROOT, server_.AppIdPath()));

    // The failed step is reported as a warning only.
    size_t warnings = 0, errors = 0;
    for (const tesk_test::LogRecord& record : log.Records()) {
        if (record.identity != L"TeskAgent") continue;
        warnings += record.level == L"WARNING" &&
                    record.text == L"Error installing NT Service related regitry keys.";
        errors += record.level == L"ERROR";
    }
    EXPECT_EQ(warnings, 1u);
    EXPECT_EQ(errors, 0u);
}

}  // namespace
}  // namespace services_test
