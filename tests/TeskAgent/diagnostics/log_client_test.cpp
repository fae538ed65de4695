// The logger client against the probe logger (how it calls the library) and
// against the real Tracemill.dll (records reach the log file).
#include <gtest/gtest.h>

#include <string>

#include "diagnostics/log_client.h"
#include "TeskAgent/diagnostics/log_reader.h"
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
    LoggerKey() : key_(L"LoggerClient") {}
    void SetInstallPath(const std::wstring& folder) {
        WriteString(HKEY_CURRENT_USER, key_.path(), L"InstallPath", folder);
    }
    CLogClient MakeClient() const { return CLogClient(HKEY_CURRENT_USER, key_.path().c_str()); }
    const std::wstring& path() const { return key_.path(); }

private:
    ScopedTestKey key_;
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

TEST_F(ProbeClientTest, LoadsTheLibraryInTheInstallPathAndResolvesAllFortyEntryPoints) {
    EXPECT_TRUE(client_.EnsureRegistered());
    EXPECT_TRUE(client_.IsLoaded());
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
    for (const char* name : kLoggerEntryPointNames) EXPECT_TRUE(client_.HasEntryPoint(name)) << name;
    EXPECT_FALSE(client_.HasEntryPoint("PROBE_Reset"));  // not one of the forty
}

TEST_F(ProbeClientTest, AnInstallPathEndingInABackslashGetsNoSecondOne) {
    // Under the \\?\ prefix the system takes the path as it is, so a doubled
    // separator would name a file that does not exist.
    key_.SetInstallPath(std::wstring(L"\\\\?\\") + kProbeFull + L"\\");
    EXPECT_TRUE(client_.EnsureRegistered());
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
}

TEST_F(ProbeClientTest, WithoutAUsableInstallPathTheBareNameIsSearched) {
    // The probe folder joins the system's library search; the install path is
    // missing, empty, or too long for its 522-byte buffer.
    ASSERT_TRUE(::SetDllDirectoryW(kProbeFull));
    struct Restore {
        ~Restore() { ::SetDllDirectoryW(nullptr); }
    } restore;
    const std::wstring tooLong(300, L'x');
    for (const wchar_t* value : {L"<missing>", L"", tooLong.c_str()}) {
        SCOPED_TRACE(value);
        probe_.Reset();
        if (std::wstring(value) == L"<missing>")
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.path().c_str(), L"InstallPath");
        else
            key_.SetInstallPath(value);
        CLogClient client = key_.MakeClient();
        EXPECT_TRUE(client.EnsureRegistered());
        EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
    }
}

TEST(LogClientWithoutLibrary, NothingFailsAndNothingIsOn) {
    LoggerKey key;
    key.SetInstallPath(L"C:\\no\\such\\folder");
    CLogClient client = key.MakeClient();
    EXPECT_FALSE(client.EnsureRegistered());
    EXPECT_FALSE(client.IsLoaded());
    EXPECT_EQ(client.GetLogFlag(LOG_INDEX_ERROR), 0u);
    EXPECT_FALSE(client.IsFlagOn(1));
    EXPECT_EQ(client.RegisterLogFlag(11, L"BreakOnError"), 0u);
    client.LogError(L"%s", L"goes nowhere");
    client.LogWarning(L"%s", L"goes nowhere");
    client.LogTrace(L"%s", L"goes nowhere");
    EXPECT_EQ(client.ClientHandle(), CLogClient::kUnregistered);
}

// ---- Registration and identity ---------------------------------------------------

TEST_F(ProbeClientTest, TheIdentityIsTheExecutablesOnDiskNameSentOnceRightAfterRegistration) {
    probe_.SetHandle(42);
    ASSERT_TRUE(client_.EnsureRegistered());
    EXPECT_EQ(client_.ClientHandle(), 42u);
    EXPECT_EQ(probe_.Calls("SETIDENTITYNAME"), 1);
    EXPECT_EQ(probe_.LastArg("SETIDENTITYNAME", 0), 42u);
    EXPECT_EQ(probe_.LastText("SETIDENTITYNAME"), kOwnIdentity);

    client_.EnsureRegistered();
    client_.LogTrace(L"x");
    client_.IsFlagOn(1);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 1);
    EXPECT_EQ(probe_.Calls("SETIDENTITYNAME"), 1);
}

TEST_F(ProbeClientTest, ARefusedRegistrationSendsNothingAndIsTriedAgainAtEachOperation) {
    probe_.SetRefuse(true);
    EXPECT_FALSE(client_.EnsureRegistered());
    client_.LogError(L"%s", L"refused");
    EXPECT_FALSE(client_.IsFlagOn(1));
    EXPECT_EQ(client_.GetLogFlag(0), 0u);
    EXPECT_EQ(client_.RegisterLogFlag(11, L"BreakOnError"), 0u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 5);
    for (const char* entry : {"SETIDENTITYNAME", "LOGERROR", "LOGFLAGLOG", "LOGSTART", "GETLOGFLAG",
                              "REGISTERLOGFLAG"})
        EXPECT_EQ(probe_.Calls(entry), 0) << entry;

    probe_.SetRefuse(false);
    client_.LogError(L"%s", L"accepted");
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 6);
    EXPECT_EQ(probe_.Calls("SETIDENTITYNAME"), 1);
    EXPECT_EQ(probe_.LastText("LOGERROR"), L"accepted");
}

TEST(LogClientWithPartialLibrary, MissingEntryPointsDisableOnlyWhatNeedsThem) {
    ProbeLibrary probe(kProbePartial);
    ASSERT_TRUE(probe.loaded());
    probe.Reset();
    probe.SetFlagValue(0, 0x1);
    LoggerKey key;
    key.SetInstallPath(kProbePartial);
    CLogClient client = key.MakeClient();

    EXPECT_TRUE(client.EnsureRegistered());
    EXPECT_TRUE(client.HasEntryPoint("LOGERROR"));
    EXPECT_FALSE(client.HasEntryPoint("LOGFLAGLOG"));
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

TEST(LogClientWithPartialLibrary, WithoutRegistrationEntryPointNothingIsSent) {
    ProbeLibrary probe(kProbeNoRegistration);
    ASSERT_TRUE(probe.loaded());
    probe.Reset();
    LoggerKey key;
    key.SetInstallPath(kProbeNoRegistration);
    CLogClient client = key.MakeClient();
    EXPECT_FALSE(client.EnsureRegistered());
    EXPECT_TRUE(client.IsLoaded());
    client.LogError(L"%s", L"never sent");
    EXPECT_FALSE(client.IsFlagOn(1));
    EXPECT_EQ(client.GetLogFlag(0), 0u);
    for (const char* entry : {"LOGERROR", "LOGFLAGLOG", "LOGSTART", "SETIDENTITYNAME"})
        EXPECT_EQ(probe.Calls(entry), 0) << entry;
}

// ---- Flags ------------------------------------------------------------------------

TEST_F(ProbeClientTest, StandardFlagsAreFetchedTogetherOnceAndKept) {
    for (DWORD i = 0; i < 11; ++i) probe_.SetFlagValue(i, 0x100 + i);
    EXPECT_EQ(client_.GetLogFlag(3), 0x103u);
    EXPECT_EQ(probe_.Calls("LOGSTART"), 1);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 11);
    EXPECT_EQ(probe_.LastArg("GETLOGFLAG", 1), 10u);  // indices 0 to 10 in turn
    EXPECT_EQ(client_.GetLogFlag(0), 0x100u);
    EXPECT_EQ(client_.GetLogFlag(10), 0x10Au);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 11);
}

TEST_F(ProbeClientTest, IndicesOutsideTheStandardFlagsCallNothing) {
    EXPECT_EQ(client_.GetLogFlag(11), 0u);
    EXPECT_EQ(client_.GetLogFlag(-1), 0u);
    EXPECT_EQ(client_.GetLogFlag(INT32_MIN), 0u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 0);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 0);
}

TEST_F(ProbeClientTest, AZeroFlagIsFetchedAgainEachTime) {
    probe_.SetFlagValue(0, 0x1);  // index 5 stays 0
    EXPECT_EQ(client_.GetLogFlag(5), 0u);
    EXPECT_EQ(client_.GetLogFlag(5), 0u);
    EXPECT_EQ(probe_.Calls("LOGSTART"), 2);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 22);
    EXPECT_EQ(client_.GetLogFlag(0), 0x1u);  // cached by the last refresh
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 22);
}

TEST_F(ProbeClientTest, AStartThatAnswersZeroLeavesTheFlagsUnfetched) {
    probe_.SetFlagValue(1, 0x2);
    probe_.SetLogStartResult(0);
    EXPECT_EQ(client_.GetLogFlag(1), 0u);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 0);
    probe_.SetLogStartResult(1);
    EXPECT_EQ(client_.GetLogFlag(1), 0x2u);
}

TEST_F(ProbeClientTest, IsFlagOnAsksTheLibraryEachTimeAndReadsOnlyTheLowByte) {
    probe_.SetHandle(9);
    probe_.SetFlagOnResult(0x100);
    EXPECT_FALSE(client_.IsFlagOn(0x800));
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 0), 9u);
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 1), 0x800u);
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 2), 0u);
    probe_.SetFlagOnResult(0x101);
    EXPECT_TRUE(client_.IsFlagOn(0x800));
    EXPECT_EQ(probe_.Calls("LOGFLAGLOG"), 2);
}

TEST_F(ProbeClientTest, RegisterLogFlagPassesNumberAndNameAndReturnsTheValue) {
    probe_.SetRegisterFlagResult(0x4000);
    EXPECT_EQ(client_.RegisterLogFlag(11, L"BreakOnError"), 0x4000u);
    EXPECT_EQ(probe_.LastArg("REGISTERLOGFLAG", 1), 11u);
    EXPECT_EQ(probe_.LastText("REGISTERLOGFLAG"), L"BreakOnError");
}

// ---- Records -----------------------------------------------------------------------

TEST_F(ProbeClientTest, EachLevelFormatsItsTextAndSendsItWithoutTestingAFlag) {
    probe_.SetHandle(5);
    client_.LogError(L"%s=%d", L"error", 1);
    client_.LogWarning(L"%s=%d", L"warning", 2);
    client_.LogTrace(L"%s=%d", L"trace", 3);
    EXPECT_EQ(probe_.LastText("LOGERROR"), L"error=1");
    EXPECT_EQ(probe_.LastText("LOGWARNING"), L"warning=2");
    EXPECT_EQ(probe_.LastText("LOGTRACE"), L"trace=3");
    EXPECT_EQ(probe_.LastArg("LOGTRACE", 0), 5u);
    EXPECT_EQ(probe_.Calls("LOGFLAGLOG"), 0);
}

TEST_F(ProbeClientTest, ATextOfTheBufferSizeOrMoreIsCutInsideTheBuffer) {
    for (size_t length : {8191u, 8192u, 20000u}) {
        std::wstring text(length, L'a');
        text[0] = L'b';
        client_.LogError(L"%s", text.c_str());
        std::wstring sent = probe_.LastText("LOGERROR");
        EXPECT_EQ(sent.size(), 8191u) << length;
        EXPECT_EQ(sent, text.substr(0, 8191)) << length;
    }
}

TEST_F(ProbeClientTest, CleanUpUnregistersUnloadsAndForgetsTheFlags) {
    ProbeLibrary extra(kProbeFull);  // keeps the probe readable after the client lets go
    probe_.SetHandle(12);
    probe_.SetFlagValue(0, 0x1);
    ASSERT_EQ(client_.GetLogFlag(0), 0x1u);
    client_.CleanUp();
    EXPECT_EQ(probe_.Calls("UNREGISTERLOGGERCLIENT"), 1);
    EXPECT_EQ(probe_.LastArg("UNREGISTERLOGGERCLIENT", 0), 12u);
    EXPECT_FALSE(client_.IsLoaded());
    EXPECT_EQ(client_.ClientHandle(), CLogClient::kUnregistered);
    for (const char* name : kLoggerEntryPointNames) EXPECT_FALSE(client_.HasEntryPoint(name));

    // Everything starts again on the next use.
    EXPECT_EQ(client_.GetLogFlag(0), 0x1u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGGERCLIENT"), 2);
    EXPECT_EQ(probe_.Calls("GETLOGFLAG"), 22);
}

// ---- The real logger library ----------------------------------------------------------

TEST(LogClientWithTracemill, GuardedRecordsOfEachLevelReachTheLogWithTheClientsIdentity) {
    const std::wstring logFile = ConfiguredLogFile();
    ASSERT_FALSE(logFile.empty()) << "the prefix configures no log folder";
    LoggerKey key;
    key.SetInstallPath(kRealLoggerDir);
    CLogClient client = key.MakeClient();
    ASSERT_TRUE(client.EnsureRegistered());

    LogTail tail(logFile);
    const std::wstring marker = L"client-test-" + std::to_wstring(::GetTickCount());
    struct Level {
        int32_t index;
        void (CLogClient::*log)(const wchar_t*, ...);
        const wchar_t* word;
    };
    for (const Level& level : {Level{LOG_INDEX_ERROR, &CLogClient::LogError, L"ERROR"},
                               Level{LOG_INDEX_WARNING, &CLogClient::LogWarning, L"WARNING"},
                               Level{LOG_INDEX_TRACE, &CLogClient::LogTrace, L"TRACE"}}) {
        DWORD flag = client.GetLogFlag(level.index);
        EXPECT_NE(flag, 0u) << level.word;
        ASSERT_TRUE(client.IsFlagOn(flag)) << level.word << " is off in the prefix";
        (client.*level.log)(L"%s %s %d%%", marker.c_str(), level.word, 100);
    }
    // Info is not switched on in the prefix.
    EXPECT_FALSE(client.IsFlagOn(client.GetLogFlag(2)));

    std::vector<LogRecord> records = tail.RecordsOf(::GetCurrentProcessId(), kOwnIdentity);
    ASSERT_EQ(records.size(), 3u);
    const wchar_t* words[] = {L"ERROR", L"WARNING", L"TRACE"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(records[i].wellFormed);
        EXPECT_EQ(records[i].tid, ::GetCurrentThreadId());
        EXPECT_EQ(records[i].level, words[i]);
        EXPECT_EQ(records[i].text, marker + L" " + words[i] + L" 100%");
    }
}

}  // namespace
