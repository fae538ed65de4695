// The logger library itself: its entry points, client handles and names, the
// flags an administrator switches on, and the log file it writes, also with
// several processes at once. Each test uses identity names of its own with
// their own configuration and log folder under the logger key.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TeskAgent/diagnostics/log_reader.h"
#include "TeskAgent/diagnostics/probe_library.h"
#include "support/test_support.h"
#include "support/unique_resource.h"

using namespace tesk_test;

namespace {

constexpr const wchar_t kLoggerKey[] = L"SOFTWARE\\Quellix\\Framework\\Logger";
constexpr DWORD kNoHandle = 0xFFFFFFFF;

using RegisterFn = DWORD(__cdecl*)(DWORD*);
using HandleFn = DWORD(__cdecl*)(DWORD);
using TextFn = DWORD(__cdecl*)(DWORD, const wchar_t*);
using InstanceTextFn = DWORD(__cdecl*)(DWORD, DWORD, const wchar_t*);
using FlagTextFn = DWORD(__cdecl*)(DWORD, DWORD, const wchar_t*);
using FlagAnsiFn = DWORD(__cdecl*)(DWORD, DWORD, const char*);
using GetNameFn = DWORD(__cdecl*)(DWORD, wchar_t*, DWORD);
using GetInstanceFn = DWORD(__cdecl*)(DWORD, DWORD, wchar_t*, DWORD);
using TwoFn = DWORD(__cdecl*)(DWORD, DWORD);
using FlagLogFn = DWORD(__cdecl*)(DWORD, DWORD, DWORD);

// A unique identity with its own settings below Clients\ and its own log folder.
class IdentityConfig {
public:
    explicit IdentityConfig(const std::wstring& stem)
        : name_(stem + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                std::to_wstring(::GetTickCount())),
          key_(std::wstring(kLoggerKey) + L"\\Clients\\" + name_) {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + name_;
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        WriteString(HKEY_LOCAL_MACHINE, key_, L"LogFolder", folder_);
    }
    ~IdentityConfig() {
        DeleteTree(HKEY_LOCAL_MACHINE, key_);
        for (const std::wstring& file : LogFiles(kMostOldFiles)) ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    void SetFlags(const std::wstring& flags) { WriteString(HKEY_LOCAL_MACHINE, key_, L"Flags", flags); }
    void SetLogFolder(const std::wstring& f) { WriteString(HKEY_LOCAL_MACHINE, key_, L"LogFolder", f); }
    void SetRotation(DWORD maxBytes, DWORD keptFiles) {
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), L"MaxFileSize", REG_DWORD, &maxBytes,
                          sizeof(DWORD));
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), L"KeptFiles", REG_DWORD, &keptFiles,
                          sizeof(DWORD));
    }
    std::wstring LogFile() const { return folder_ + L"\\Tracemill.log"; }
    // The oldest kept file first, the log file itself last.
    std::vector<std::wstring> LogFiles(DWORD oldFiles) const {
        std::vector<std::wstring> files;
        for (DWORD n = oldFiles; n >= 1; --n)
            files.push_back(folder_ + L"\\Tracemill." + std::to_wstring(n) + L".log");
        files.push_back(LogFile());
        return files;
    }
    std::vector<LogRecord> Records() const { return ParseLog(ReadFileBytes(LogFile())); }
    const std::wstring& name() const { return name_; }
    const std::wstring& folder() const { return folder_; }

private:
    static constexpr DWORD kMostOldFiles = 99;
    std::wstring name_;
    std::wstring key_;
    std::wstring folder_;
};

// What rotation left: the records of every file in order, and whether each
// file stayed within the cap and ends with a whole line.
struct RotatedLog {
    std::vector<LogRecord> records;
    size_t filesPresent = 0;
};

RotatedLog ReadRotatedLog(const IdentityConfig& identity, DWORD keptFiles, DWORD maxBytes) {
    RotatedLog log;
    for (const std::wstring& file : identity.LogFiles(keptFiles + 1)) {
        if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        ++log.filesPresent;
        std::string bytes = ReadFileBytes(file);
        EXPECT_TRUE(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0)
            << "a record split between files";
        std::vector<LogRecord> records = ParseLog(bytes);
        // Only a record longer than the cap by itself makes a file larger.
        if (records.size() > 1) {
            EXPECT_LE(bytes.size(), maxBytes) << "over the cap";
        }
        for (LogRecord& record : records) log.records.push_back(std::move(record));
    }
    return log;
}

class TracemillTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library_) << "Tracemill.dll did not load"; }

    template <class Fn>
    Fn Entry(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library_.get(), name)));
    }
    DWORD Register() const {
        DWORD handle = kNoHandle;
        Entry<RegisterFn>("REGISTERLOGGERCLIENT")(&handle);
        return handle;
    }
    DWORD RegisterAs(const IdentityConfig& identity) const {
        DWORD handle = Register();
        Entry<TextFn>("SETIDENTITYNAME")(handle, identity.name().c_str());
        return handle;
    }
    bool FlagOn(DWORD handle, DWORD flag) const {
        return (Entry<FlagLogFn>("LOGFLAGLOG")(handle, flag, 0) & 0xFF) != 0;
    }
    DWORD StandardFlag(DWORD handle, DWORD index) const {
        return Entry<TwoFn>("GETLOGFLAG")(handle, index);
    }

    tesk::UniqueLibrary library_{
        ::LoadLibraryW((std::wstring(kRealLoggerDir) + L"\\Tracemill.dll").c_str())};
};

TEST_F(TracemillTest, HandlesAreDistinctAndDieWithUnregistrationAndBadInputIsAnsweredWithZero) {
    DWORD first = Register(), second = Register();
    EXPECT_NE(first, kNoHandle);
    EXPECT_NE(second, kNoHandle);
    EXPECT_NE(first, second);
    EXPECT_FALSE(Entry<TextFn>("SETIDENTITYNAME")(first, nullptr));
    EXPECT_FALSE(Entry<GetNameFn>("GETIDENTITYNAME")(first, nullptr, 10));
    EXPECT_EQ(Entry<TextFn>("ADDINSTANCENAME")(first, nullptr), 0u);
    EXPECT_EQ(Entry<FlagTextFn>("REGISTERLOGFLAG")(first, 11, nullptr), 0u);
    EXPECT_EQ(Entry<FlagTextFn>("REGISTERLOGFLAG")(first, 5, L"Standard"), 0u);
    EXPECT_EQ(Entry<FlagTextFn>("REGISTERLOGFLAG")(first, 32, L"TooHigh"), 0u);
    EXPECT_EQ(StandardFlag(first, 11), 0u);
    Entry<TextFn>("LOGTRACE")(first, nullptr);  // must not crash
    EXPECT_NE(Entry<HandleFn>("LOGSTART")(first), 0u);
    EXPECT_NE(StandardFlag(first, 0), 0u);
    EXPECT_TRUE(Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(first));
    EXPECT_FALSE(Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(first));
    EXPECT_EQ(Entry<HandleFn>("LOGSTART")(first), 0u);
    EXPECT_EQ(StandardFlag(first, 0), 0u);
    EXPECT_FALSE(Entry<TextFn>("LOGERROR")(first, L"unregistered"));
    EXPECT_FALSE(Entry<TextFn>("SETIDENTITYNAME")(kNoHandle, L"x"));
    EXPECT_FALSE(Entry<RegisterFn>("REGISTERLOGGERCLIENT")(nullptr));
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(second);
}

TEST_F(TracemillTest, IdentityAndInstanceNamesAreKeptPerClient) {
    DWORD a = Register(), b = Register();
    Entry<TextFn>("SETIDENTITYNAME")(a, L"First");
    Entry<TextFn>("SETIDENTITYNAME")(b, L"Second");
    wchar_t name[64];
    ASSERT_TRUE(Entry<GetNameFn>("GETIDENTITYNAME")(a, name, 64));
    EXPECT_STREQ(name, L"First");
    ASSERT_TRUE(Entry<GetNameFn>("GETIDENTITYNAME")(b, name, 64));
    EXPECT_STREQ(name, L"Second");
    EXPECT_FALSE(Entry<GetNameFn>("GETIDENTITYNAME")(b, name, 3));  // cut, and says so
    EXPECT_STREQ(name, L"Se");

    DWORD one = Entry<TextFn>("ADDINSTANCENAME")(a, L"Channel1");
    DWORD two = Entry<TextFn>("ADDINSTANCENAME")(a, L"Channel2");
    EXPECT_NE(one, 0u);
    EXPECT_NE(one, two);
    ASSERT_TRUE(Entry<GetInstanceFn>("GETINSTANCENAME")(a, two, name, 64));
    EXPECT_STREQ(name, L"Channel2");
    EXPECT_TRUE(Entry<TwoFn>("REMOVEINSTANCENAME")(a, one));
    EXPECT_FALSE(Entry<GetInstanceFn>("GETINSTANCENAME")(a, one, name, 64));
    EXPECT_TRUE(Entry<TextFn>("REMOVEINSTANCENAME1")(a, L"channel2"));
    EXPECT_FALSE(Entry<GetInstanceFn>("GETINSTANCENAME")(a, two, name, 64));
    EXPECT_FALSE(Entry<GetInstanceFn>("GETINSTANCENAME")(b, two, name, 64));
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(a);
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(b);
}

TEST_F(TracemillTest, FlagsFollowTheConfigurationOfTheIdentityName) {
    IdentityConfig identity(L"FlagTest");
    identity.SetFlags(L"warning; BreakOnError");
    DWORD handle = RegisterAs(identity);
    DWORD breakFlag = Entry<FlagTextFn>("REGISTERLOGFLAG")(handle, 11, L"BreakOnError");
    DWORD otherFlag = Entry<TextFn>("REGISTERLOGFLAGEX")(handle, L"Verbose");
    EXPECT_NE(breakFlag, 0u);
    EXPECT_NE(otherFlag, 0u);
    EXPECT_NE(otherFlag, breakFlag);
    EXPECT_EQ(Entry<TextFn>("REGISTERLOGFLAGEX")(handle, L"verbose"), otherFlag);

    EXPECT_FALSE(FlagOn(handle, StandardFlag(handle, 0)));
    EXPECT_TRUE(FlagOn(handle, StandardFlag(handle, 1)));
    EXPECT_TRUE(FlagOn(handle, breakFlag));
    EXPECT_FALSE(FlagOn(handle, otherFlag));
    EXPECT_FALSE(FlagOn(handle, 0));

    // An administrator's change counts from the next question on.
    identity.SetFlags(L"*");
    EXPECT_TRUE(FlagOn(handle, StandardFlag(handle, 0)));
    EXPECT_TRUE(FlagOn(handle, otherFlag));
    identity.SetFlags(L"");
    EXPECT_FALSE(FlagOn(handle, StandardFlag(handle, 1)));
    EXPECT_FALSE(FlagOn(handle, breakFlag));

    // A stopped client logs nothing until it starts again.
    identity.SetFlags(L"Error");
    Entry<HandleFn>("LOGSTOP")(handle);
    EXPECT_FALSE(FlagOn(handle, StandardFlag(handle, 0)));
    EXPECT_FALSE(Entry<TextFn>("LOGERROR")(handle, L"while stopped"));
    EXPECT_NE(Entry<HandleFn>("LOGSTART")(handle), 0u);
    EXPECT_TRUE(FlagOn(handle, StandardFlag(handle, 0)));
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(handle);
}

TEST_F(TracemillTest, EachRecordIsOneUtf8LineWithTimeProcessThreadIdentityLevelAndText) {
    IdentityConfig identity(L"LineTest");
    identity.SetFlags(L"Error;Trace;Sql;Audit");
    DWORD handle = RegisterAs(identity);
    DWORD audit = Entry<TextFn>("REGISTERLOGFLAGEX")(handle, L"Audit");
    DWORD instance = Entry<TextFn>("ADDINSTANCENAME")(handle, L"Line2");

    SYSTEMTIME before;
    ::GetLocalTime(&before);
    EXPECT_TRUE(Entry<TextFn>("LOGERROR")(handle, L"Grüße \u2713 100%"));
    EXPECT_TRUE(Entry<TextFn>("LOGTRACE")(handle, L"two\r\nlines\nhere"));
    EXPECT_FALSE(Entry<TextFn>("LOGWARNING")(handle, L"warnings are off"));
    EXPECT_TRUE(Entry<InstanceTextFn>("LOGSQL1")(handle, instance, L"select"));
    EXPECT_TRUE(Entry<FlagTextFn>("LOGCUSTOM")(handle, audit, L"custom"));
    EXPECT_TRUE(Entry<FlagAnsiFn>("LOGCUSTOM2")(handle, audit, "narrow"));

    std::vector<LogRecord> records = identity.Records();
    ASSERT_EQ(records.size(), 5u);
    for (const LogRecord& record : records) {
        EXPECT_TRUE(record.wellFormed) << record.text;
        EXPECT_EQ(record.pid, ::GetCurrentProcessId());
        EXPECT_EQ(record.tid, ::GetCurrentThreadId());
    }
    wchar_t day[16];
    std::swprintf(day, 16, L"%04u-%02u-%02u", before.wYear, before.wMonth, before.wDay);
    EXPECT_TRUE(StartsWith(records[0].time, day) || before.wHour == 23) << records[0].time;
    EXPECT_EQ(records[0].identity, identity.name());
    EXPECT_EQ(records[0].level, L"ERROR");
    EXPECT_EQ(records[0].text, L"Grüße \u2713 100%");
    EXPECT_EQ(records[1].level, L"TRACE");
    EXPECT_EQ(records[1].text, L"two  lines here");
    EXPECT_EQ(records[2].identity, identity.name() + L"/Line2");
    EXPECT_EQ(records[2].level, L"SQL");
    EXPECT_EQ(records[3].level, L"Audit");
    EXPECT_EQ(records[4].text, L"narrow");
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(handle);
}

TEST_F(TracemillTest, AMissingLogFolderIsCreatedAnUnusableOneOnlyDropsTheRecords) {
    IdentityConfig identity(L"FolderTest");
    identity.SetFlags(L"Error");
    DWORD handle = RegisterAs(identity);
    // A folder name that is a file, and no folder at all.
    identity.SetLogFolder(std::wstring(kRealLoggerDir) + L"\\Tracemill.dll");
    EXPECT_FALSE(Entry<TextFn>("LOGERROR")(handle, L"dropped"));
    identity.SetLogFolder(L"");
    EXPECT_FALSE(Entry<TextFn>("LOGERROR")(handle, L"dropped"));
    EXPECT_TRUE(FlagOn(handle, StandardFlag(handle, 0)));  // flags still answer

    const std::wstring outer = identity.folder() + L"\\made", inner = outer + L"\\here";
    identity.SetLogFolder(inner);
    EXPECT_TRUE(Entry<TextFn>("LOGERROR")(handle, L"kept"));
    std::vector<LogRecord> records = ParseLog(ReadFileBytes(inner + L"\\Tracemill.log"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, L"kept");
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(handle);
    EXPECT_TRUE(::DeleteFileW((inner + L"\\Tracemill.log").c_str()));
    EXPECT_TRUE(::RemoveDirectoryW(inner.c_str()));
    EXPECT_TRUE(::RemoveDirectoryW(outer.c_str()));
}

TEST_F(TracemillTest, TheLogRotatesAtItsCapKeepingWholeRecordsAndTheNewestFiles) {
    IdentityConfig identity(L"Rotation");
    identity.SetFlags(L"Trace");
    constexpr DWORD kCap = 4000, kKept = 2;
    identity.SetRotation(kCap, kKept);
    DWORD handle = RegisterAs(identity);
    // Records of varying length, one longer than the cap: it gets a file of its own.
    constexpr int kRecords = 60, kLong = kRecords - 3;
    for (int n = 0; n < kRecords; ++n) {
        std::wstring text = L"#" + std::to_wstring(n) + L" " +
                            std::wstring(n == kLong ? kCap + 100 : 100 + (n * 37) % 400, L'x');
        ASSERT_TRUE(Entry<TextFn>("LOGTRACE")(handle, text.c_str())) << n;
    }
    Entry<HandleFn>("UNREGISTERLOGGERCLIENT")(handle);

    RotatedLog log = ReadRotatedLog(identity, kKept, kCap);
    EXPECT_EQ(log.filesPresent, kKept + 1);  // no more old files than configured
    // The newest records, none missing between the oldest kept one and the last.
    const int first = kRecords - static_cast<int>(log.records.size());
    EXPECT_GT(first, 0);  // the oldest file went
    for (size_t i = 0; i < log.records.size(); ++i) {
        ASSERT_TRUE(log.records[i].wellFormed);
        EXPECT_TRUE(StartsWith(log.records[i].text, L"#" + std::to_wstring(first + i) + L" "))
            << log.records[i].text.substr(0, 20);
    }
}

// Starts writer processes that log through the real library under the
// identity at the same moment and waits for them.
void RunWriters(const IdentityConfig& identity, int writers, int records, int length) {
    // Each writer gets its own text length, so its records are told apart by it.
    // They are created suspended and let go together, so that their writing overlaps.
    std::vector<tesk::UniqueKernelHandle> processes, threads;
    const std::wstring writer = TESK_BUILD_DIR L"\\tests\\components\\logger\\tracemill_writer.exe";
    const std::wstring library = std::wstring(kRealLoggerDir) + L"\\Tracemill.dll";
    for (int w = 0; w < writers; ++w) {
        std::wstring line = L"\"" + writer + L"\" \"" + library + L"\" " + identity.name() + L" " +
                            std::to_wstring(records) + L" " + std::to_wstring(length + w);
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        EXPECT_TRUE(::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                     nullptr, nullptr, &startup, &info));
        threads.emplace_back(info.hThread);
        processes.emplace_back(info.hProcess);
    }
    for (auto& thread : threads) ::ResumeThread(thread.get());
    for (auto& process : processes) {
        EXPECT_EQ(::WaitForSingleObject(process.get(), 120000), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(code, 0u);
    }
}

// Every record of every writer, whole, in each writer's order.
void ExpectAllWriterRecords(const std::vector<LogRecord>& records, const IdentityConfig& identity,
                            int writers, int perWriter) {
    ASSERT_EQ(records.size(), static_cast<size_t>(writers * perWriter));
    std::map<DWORD, int> nextByPid;
    std::map<DWORD, size_t> lengthByPid;
    for (const LogRecord& record : records) {
        ASSERT_TRUE(record.wellFormed);
        ASSERT_EQ(record.identity, identity.name());
        std::wstring expectedHead =
            identity.name() + L" #" + std::to_wstring(nextByPid[record.pid]++) + L" ";
        ASSERT_TRUE(StartsWith(record.text, expectedHead)) << record.text.substr(0, 80);
        size_t padding = record.text.size() - expectedHead.size();
        ASSERT_EQ(record.text.find_first_not_of(L'x', expectedHead.size()), std::wstring::npos);
        if (lengthByPid.count(record.pid)) {
            ASSERT_EQ(lengthByPid[record.pid], padding);
        }
        lengthByPid[record.pid] = padding;
    }
    EXPECT_EQ(nextByPid.size(), static_cast<size_t>(writers));
    for (const auto& writerCount : nextByPid) EXPECT_EQ(writerCount.second, perWriter);
}

TEST_F(TracemillTest, ProcessesLoggingAtOnceAcrossRotationsNeitherLoseNorInterleaveRecords) {
    IdentityConfig identity(L"Writers");
    identity.SetFlags(L"Trace");
    // Room for every old file, so every record must be found again.
    constexpr DWORD kCap = 128 * 1024, kKept = 40;
    identity.SetRotation(kCap, kKept);
    constexpr int kWriters = 3, kRecords = 300, kLength = 2000;
    RunWriters(identity, kWriters, kRecords, kLength);
    RotatedLog log = ReadRotatedLog(identity, kKept, kCap);
    EXPECT_GT(log.filesPresent, 5u);
    ExpectAllWriterRecords(log.records, identity, kWriters, kRecords);
}

}  // namespace
