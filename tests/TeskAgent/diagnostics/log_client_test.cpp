// The logger client against the probe logger (how it calls the library) and
// against the real Tracemill.dll (records reach the log file).
#include <gtest/gtest.h>

#include <string>

#include "diagnostics/log_client.h"
#include "diagnostics/logger_entry_points.h"
#include "TeskAgent/diagnostics/probe_library.h"
#include "support/test_support.h"

using namespace tesk_test;

namespace {

// This program's executable, as stored on disk.
constexpr const wchar_t kOwnIdentity[] = L"diagnostics_log_client_tests";

// A logger key of the test's own, whose "InstallPath" names the library to load.
class LoggerKey {
public:
    void SetInstallPath(const std::wstring& folder) {
        WriteString(HKEY_CURRENT_USER, key_.path(), L"InstallPath", folder);
    }
    void RemoveInstallPath() {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.path().c_str(), L"InstallPath");
    }
    CLogClient MakeClient() const { return CLogClient(HKEY_CURRENT_USER, key_.path().c_str()); }

private:
    ScopedTestKey key_{L"LoggerClient"};
};

class ProbeClientTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe_.loaded());
        probe_.Reset();
        key_.SetInstallPath(kProbeFull);
    }
    ProbeLibrary probe_{kProbeFull};
    LoggerKey key_;
    CLogClient client_ = key_.MakeClient();
};

// ---- Finding and loading the library ----------------------------------------------

TEST_F(ProbeClientTest, TheLibraryIsLoadedFromTheInstallPathOrElseByItsBareName) {
    // Under the \\?\ prefix the system takes the path as it is, so a doubled
    // separator would name a file that does not exist. Without a usable path
    // (missing, empty, or too long for its 522-byte buffer) the bare name is
    // searched, where the probe folder has joined the system's library search.
    const std::wstring tooLong(300, L'x'), verbatim = std::wstring(L"\\\\?\\") + kProbeFull + L"\\";
    struct Case {
        const wchar_t* installPath;  // null: no value
        bool searched;
    };
    for (const Case& c : {Case{kProbeFull, false},
                          Case{verbatim.c_str(), false},
                          Case{nullptr, true}, Case{L"", true}, Case{tooLong.c_str(), true}}) {
        SCOPED_TRACE(c.installPath ? c.installPath : L"<missing>");
        probe_.Reset();
        if (c.installPath) key_.SetInstallPath(c.installPath);
        else key_.RemoveInstallPath();
        ASSERT_TRUE(::SetDllDirectoryW(c.searched ? kProbeFull : nullptr));
        CLogClient client = key_.MakeClient();
        EXPECT_TRUE(client.EnsureRegistered());
        EXPECT_TRUE(client.IsLoaded());
        EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
    }
    ::SetDllDirectoryW(nullptr);
}

TEST(LogClientUnregistered, WithoutLibraryRegistrationEntryOrConsentNothingFailsOrIsSent) {
    struct Case {
        const wchar_t* folder;
        bool refuse;
    };
    for (const Case& c : {Case{L"C:\\no\\such\\folder", false}, Case{kProbeNoRegistration, false},
                          Case{kProbeFull, true}}) {
        SCOPED_TRACE(c.folder);
        ProbeLibrary probe(c.folder);
        if (probe.loaded()) {
            probe.Reset();
            probe.Set("refuse", c.refuse);
        }
        LoggerKey key;
        key.SetInstallPath(c.folder);
        CLogClient client = key.MakeClient();
        EXPECT_FALSE(client.EnsureRegistered());
        EXPECT_EQ(client.IsLoaded(), probe.loaded());
        EXPECT_EQ(client.GetLogFlag(LOG_INDEX_ERROR), 0u);
        EXPECT_FALSE(client.IsFlagOn(1));
        EXPECT_EQ(client.RegisterLogFlag(11, L"BreakOnError"), 0u);
        client.LogError(L"%s", L"goes nowhere");
        client.LogWarning(L"%s", L"goes nowhere");
        client.LogTrace(L"%s", L"goes nowhere");
        EXPECT_EQ(client.ClientHandle(), CLogClient::kUnregistered);
        if (!probe.loaded()) continue;
        for (const char* entry : {"SETIDENTITYNAME", "LOGERROR", "LOGWARNING", "LOGTRACE",
                                  "LOGFLAGLOG", "LOGSTART", "GETLOGFLAG", "REGISTERLOGFLAG"})
            EXPECT_EQ(probe.Calls(entry), 0) << entry;
        if (!c.refuse) continue;
        // A refused registration is tried again at each operation.
        EXPECT_EQ(probe.Calls("REGISTERLOGGERCLIENT"), 7);
        probe.Set("refuse", false);
        client.LogError(L"%s", L"accepted");
        EXPECT_EQ(probe.Calls("REGISTERLOGGERCLIENT"), 8);
        EXPECT_EQ(probe.Calls("SETIDENTITYNAME"), 1);
        EXPECT_EQ(probe.LastText("LOGERROR"), L"accepted");
    }
}

TEST(LogClientWithPartialLibrary, MissingEntryPointsDisableOnlyWhatNeedsThem) {
    ProbeLibrary probe(kProbePartial);
    ASSERT_TRUE(probe.loaded());
    probe.Reset();
    probe.Set("flag0", 0x1);
    LoggerKey key;
    key.SetInstallPath(kProbePartial);
    CLogClient client = key.MakeClient();

    EXPECT_TRUE(client.EnsureRegistered());
    EXPECT_TRUE(client.HasEntryPoint("LOGERROR"));
    EXPECT_FALSE(client.HasEntryPoint("LOGFLAGLOG"));
    EXPECT_FALSE(client.HasEntryPoint("PROBE_Reset"));  // not one of the forty
    EXPECT_FALSE(client.IsFlagOn(0x1));                   // no LOGFLAGLOG
    EXPECT_EQ(client.GetLogFlag(0), 0u);                  // no LOGSTART
    EXPECT_EQ(client.RegisterLogFlag(11, L"Flag"), 0u);  // no REGISTERLOGFLAG
    EXPECT_EQ(probe.Calls("GETLOGFLAG"), 0);
    client.LogWarning(L"no entry point for this");
    client.LogError(L"sent %d", 1);
    EXPECT_EQ(probe.Calls("LOGERROR"), 1);
    EXPECT_EQ(probe.LastText("LOGERROR"), L"sent 1");
    client.CleanUp();  // no UNREGISTERLOGGERCLIENT to call
    EXPECT_EQ(client.ClientHandle(), CLogClient::kUnregistered);
}

// ---- What each operation sends ----------------------------------------------------

TEST_F(ProbeClientTest, RegisteredOnceItSendsItsIdentityHandleAndArgumentsWithoutTestingFlags) {
    probe_.Set("handle", 42);
    ASSERT_TRUE(client_.EnsureRegistered());
    EXPECT_EQ(client_.ClientHandle(), 42u);
    EXPECT_EQ(probe_.LastArg("SETIDENTITYNAME", 0), 42u);
    EXPECT_EQ(probe_.LastText("SETIDENTITYNAME"), kOwnIdentity);

    client_.LogError(L"%s=%d", L"error", 1);
    client_.LogWarning(L"%s=%d", L"warning", 2);
    client_.LogTrace(L"%s=%d", L"trace", 3);
    EXPECT_EQ(probe_.LastText("LOGERROR"), L"error=1");
    EXPECT_EQ(probe_.LastText("LOGWARNING"), L"warning=2");
    EXPECT_EQ(probe_.LastText("LOGTRACE"), L"trace=3");
    EXPECT_EQ(probe_.LastArg("LOGTRACE", 0), 42u);
    EXPECT_EQ(probe_.Calls("LOGFLAGLOG"), 0);

    probe_.Set("REGISTERLOGFLAG", 0x4000);
    EXPECT_EQ(client_.RegisterLogFlag(11, L"BreakOnError"), 0x4000u);
    EXPECT_EQ(probe_.LastArg("REGISTERLOGFLAG", 0), 42u);
    EXPECT_EQ(probe_.LastArg("REGISTERLOGFLAG", 1), 11u);
    EXPECT_EQ(probe_.LastText("REGISTERLOGFLAG"), L"BreakOnError");

    // IsFlagOn asks each time and reads only the low byte of the answer.
    probe_.Set("LOGFLAGLOG", 0x100);
    EXPECT_FALSE(client_.IsFlagOn(0x800));
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 0), 42u);
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 1), 0x800u);
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 2), 0u);
    probe_.Set("LOGFLAGLOG", 0x101);
    EXPECT_TRUE(client_.IsFlagOn(0x800));
    EXPECT_EQ(probe_.Calls("LOGFLAGLOG"), 2);

    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
    EXPECT_EQ(probe_.Calls("SETIDENTITYNAME"), 1);
}

TEST_F(ProbeClientTest, StandardFlagsAreFetchedTogetherAfterAStartAndKeptUnlessZero) {
    for (int32_t outside : {11, -1, INT32_MIN}) EXPECT_EQ(client_.GetLogFlag(outside), 0u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 0);
    for (DWORD i = 0; i < 11; ++i) {
        if (i != 5) probe_.Set(("flag" + std::to_string(i)).c_str(), 0x100 + i);
    }
    probe_.Set("LOGSTART", 0);  // a start that answers zero leaves them unfetched
    EXPECT_EQ(client_.GetLogFlag(3), 0u);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 0);

    probe_.Set("LOGSTART", 1);
    EXPECT_EQ(client_.GetLogFlag(3), 0x103u);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 11);
    EXPECT_EQ(probe_.LastArg("GETLOGFLAG", 1), 10u);  // indices 0 to 10 in turn
    EXPECT_EQ(client_.GetLogFlag(0), 0x100u);
    EXPECT_EQ(client_.GetLogFlag(10), 0x10Au);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 11);
    // A zero flag is fetched again (all of them) each time.
    EXPECT_EQ(client_.GetLogFlag(5), 0u);
    EXPECT_EQ(client_.GetLogFlag(5), 0u);
    EXPECT_EQ(probe_.Calls("LOGSTART"), 4);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 33);
}

TEST_F(ProbeClientTest, ATextOfTheBufferSizeOrMoreIsCutInsideTheBuffer) {
    for (size_t length : {8191u, 8192u, 20000u}) {
        std::wstring text(length, L'a');
        text[0] = L'b';
        client_.LogError(L"%s", text.c_str());
        EXPECT_EQ(probe_.LastText("LOGERROR"), text.substr(0, 8191)) << length;
    }
}

TEST_F(ProbeClientTest, CleanUpUnregistersUnloadsAndForgetsTheFlags) {
    ProbeLibrary extra(kProbeFull);  // keeps the probe readable after the client lets go
    probe_.Set("handle", 12);
    probe_.Set("flag0", 0x1);
    ASSERT_EQ(client_.GetLogFlag(0), 0x1u);
    client_.CleanUp();
    EXPECT_EQ(probe_.Calls("UNREGISTERLOGGERCLIENT"), 1);
    EXPECT_EQ(probe_.LastArg("UNREGISTERLOGGERCLIENT", 0), 12u);
    EXPECT_FALSE(client_.IsLoaded());
    EXPECT_EQ(client_.ClientHandle(), CLogClient::kUnregistered);
    EXPECT_FALSE(client_.HasEntryPoint("LOGERROR"));

    // Everything starts again on the next use.
    EXPECT_EQ(client_.GetLogFlag(0), 0x1u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 2);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 22);
}

// ---- The real logger library ----------------------------------------------------------

// Its records reach the log: the agent's records (agent_records_test.cpp,
// agent_log_test.cpp) and the library's own format (tracemill_test.cpp).
TEST(LogClientWithTracemill, AllFortyEntryPointsResolve) {
    LoggerKey key;
    key.SetInstallPath(kRealLoggerDir);
    CLogClient client = key.MakeClient();
    ASSERT_TRUE(client.EnsureRegistered());
    for (const char* name : kLoggerEntryPointNames) EXPECT_TRUE(client.HasEntryPoint(name)) << name;
}

}  // namespace
