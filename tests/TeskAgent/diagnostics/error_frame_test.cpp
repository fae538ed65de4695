// The method frame in process: results, error information, the records it
// writes to the real log and the per-thread fault translator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "diagnostics/com_eh.h"
#include "TeskAgent/diagnostics/error_info.h"
#include "TeskAgent/diagnostics/log_reader.h"
#include "TeskAgent/diagnostics/system_text.h"

using namespace tesk_test;

namespace {

template <class Body>
HRESULT RunInFrame(Body body) {
    return TESK_METHOD_FRAME(body);
}
constexpr int kFrameLine = __LINE__ - 2;

constexpr const wchar_t kOwnIdentity[] = L"diagnostics_frame_tests";

std::wstring ThisFileFolder() {
    std::string path = __FILE__;
    size_t cut = path.find_last_of("/\\");
    return std::wstring(path.begin(), path.begin() + static_cast<long>(cut + 1));
}

std::wstring Position(int line) {
    return L" at line " + std::to_wstring(line) + L" in error_frame_test.cpp (in " +
           ThisFileFolder() + L")";
}

struct SetOnDestroy {
    bool* destroyed;
    ~SetOnDestroy() { *destroyed = true; }
};

__attribute__((noinline)) int ReadThrough(int* pointer, bool* destroyed) {
    SetOnDestroy guard{destroyed};
    return *pointer + 1;
}

class FrameTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ConfiguredLogFile().empty()) << "the prefix configures no log folder";
        ::SetErrorInfo(0, nullptr);
    }
    // The error records this thread wrote since the test began.
    std::vector<LogRecord> Records(DWORD tid = ::GetCurrentThreadId()) const {
        std::vector<LogRecord> mine;
        for (LogRecord& record : tail_.RecordsOf(::GetCurrentProcessId(), kOwnIdentity)) {
            if (record.tid == tid) mine.push_back(record);
        }
        return mine;
    }
    // A raise leaves two records (raised, then caught); both begin with start.
    void ExpectTwoRecordsStartingWith(const std::wstring& start) const {
        std::vector<LogRecord> records = Records();
        ASSERT_EQ(records.size(), 2u);
        for (const LogRecord& record : records)
            EXPECT_TRUE(StartsWith(record.text, start)) << record.text;
    }
    LogTail tail_;
};

TEST_F(FrameTest, ARaiseReturnsItsResultAndWritesARaisedAndACaughtRecord) {
    int raiseLine = 0;
    HRESULT hr = RunInFrame([&]() -> HRESULT { raiseLine = __LINE__; TESK_RAISE(E_INVALIDARG); });
    EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_FALSE(TakePendingErrorInfo().present);

    std::vector<LogRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    const std::wstring message = ExpectedErrorMessage(E_INVALIDARG);
    EXPECT_EQ(records[0].level, L"ERROR");
    EXPECT_EQ(records[0].text, message + L" raised" + Position(raiseLine) + L".  ");
    EXPECT_EQ(records[1].level, L"ERROR");
    EXPECT_EQ(records[1].text, message + L" caught" + Position(kFrameLine) + L".  ");
}

TEST_F(FrameTest, TheOperationTextOrTheErrorInfoAnInnerCallLeftOpensBothRecords) {
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { TESK_RAISE_OP(E_POINTER, L"read the name"); }),
              E_POINTER);
    ExpectTwoRecordsStartingWith(L"Could not read the name.  " + ExpectedErrorMessage(E_POINTER));
    tail_ = LogTail();

    HRESULT hr = RunInFrame([&]() -> HRESULT {
        SetPendingErrorInfo(L"Inner description", L"Inner.Source");
        TESK_RAISE(DISP_E_EXCEPTION);
    });
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    PendingErrorInfo pending = TakePendingErrorInfo();  // reaches the client
    EXPECT_EQ(pending.description, L"Inner description");
    EXPECT_EQ(pending.source, L"Inner.Source");
    ExpectTwoRecordsStartingWith(L"From Inner.Source.  Inner description.  " +
                                 ExpectedErrorMessage(DISP_E_EXCEPTION));
}

TEST_F(FrameTest, StaleErrorInfoNeverReachesTheNextCallsClient) {
    SetPendingErrorInfo(L"stale", L"Earlier.Work");
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { TESK_RAISE(E_FAIL); }), E_FAIL);
    EXPECT_FALSE(TakePendingErrorInfo().present);
    for (const LogRecord& record : Records())
        EXPECT_THAT(record.text, testing::Not(testing::HasSubstr(L"stale")));

    SetPendingErrorInfo(L"stale", L"Earlier.Work");
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { return S_OK; }), S_OK);
    EXPECT_FALSE(TakePendingErrorInfo().present);
}

TEST_F(FrameTest, ANullDereferenceBecomesAccessDeniedWithDestructorsRun) {
    bool bodyObjectDestroyed = false, calleeObjectDestroyed = false;
    int* volatile nowhere = nullptr;
    HRESULT hr = RunInFrame([&]() -> HRESULT {
        SetOnDestroy guard{&bodyObjectDestroyed};
        return ReadThrough(nowhere, &calleeObjectDestroyed) == 1 ? S_OK : S_FALSE;
    });
    EXPECT_EQ(hr, static_cast<HRESULT>(0x80070005));
    EXPECT_TRUE(bodyObjectDestroyed);
    EXPECT_TRUE(calleeObjectDestroyed);

    std::vector<LogRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    const std::wstring message = ExpectedErrorMessage(static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(records[0].text, message + L" raised.  ");  // no position for a fault
    EXPECT_EQ(records[1].text, message + L" caught" + Position(kFrameLine) + L".  ");
}

TEST_F(FrameTest, FaultsAreTranslatedPerThreadAndAgainAfterTheFirst) {
    // A division by zero becomes a result of its own.
    const HRESULT divideByZero = 0x80070000 | (EXCEPTION_INT_DIVIDE_BY_ZERO & 0xFFFF);
    for (int round = 0; round < 3; ++round) {
        int* volatile nowhere = nullptr;
        volatile int zero = 0;
        EXPECT_EQ(RunInFrame([&]() -> HRESULT { return round == 1 ? 10 / zero : *nowhere; }),
                  round == 1 ? divideByZero : static_cast<HRESULT>(0x80070005));
    }
    HRESULT onOtherThread = S_OK;
    DWORD otherThread = 0;
    std::thread worker([&]() {
        otherThread = ::GetCurrentThreadId();
        int* volatile nowhere = nullptr;
        onOtherThread = RunInFrame([&]() -> HRESULT { return *nowhere; });
    });
    worker.join();
    EXPECT_EQ(onOtherThread, static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(Records(otherThread).size(), 2u);
}

TEST_F(FrameTest, FaultsThatSystemCodeHandlesItselfStayItsOwn) {
    HRESULT hr = RunInFrame([&]() -> HRESULT {
        return ::lstrlenA(reinterpret_cast<LPCSTR>(1)) == 0 ? S_OK : E_FAIL;
    });
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(Records().empty());
}

TEST_F(FrameTest, OtherExceptionsSuccessSilentlyComErrorsWithOneRecordUnknownAsUnexpected) {
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { throw com_eh::SuccessException(S_FALSE); }), S_FALSE);
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(TakePendingErrorInfo().present);

    EXPECT_EQ(RunInFrame([&]() -> HRESULT { throw _com_error(E_OUTOFMEMORY); }), E_OUTOFMEMORY);
    std::vector<LogRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text,
              ExpectedErrorMessage(E_OUTOFMEMORY) + L" caught" + Position(kFrameLine) + L".  ");

    tail_ = LogTail();
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { throw std::runtime_error("not ours"); }), E_UNEXPECTED);
    EXPECT_EQ(RunInFrame([&]() -> HRESULT { throw 42; }), E_UNEXPECTED);
    records = Records();
    ASSERT_EQ(records.size(), 2u);
    for (const LogRecord& record : records)
        EXPECT_EQ(record.text, L"Could not perform operation -- unexpected exception.  " +
                                   ExpectedErrorMessage(E_UNEXPECTED) + L" caught" +
                                   Position(kFrameLine) + L".  ");
}

// ---- The translator is the frame's only for the frame's lifetime -----------------------------

void OtherTranslator(unsigned int, EXCEPTION_POINTERS*) { throw std::logic_error("other"); }

TEST_F(FrameTest, ThePreviousTranslatorIsBackAfterEveryWayOut) {
    com_eh::se_translator_function before = com_eh::set_se_translator(OtherTranslator);
    int* volatile nowhere = nullptr;
    for (int way = 0; way < 5; ++way) {
        com_eh::se_translator_function during = nullptr;
        RunInFrame([&]() -> HRESULT {
            during = com_eh::set_se_translator(nullptr);
            com_eh::set_se_translator(during);
            switch (way) {
                case 1: TESK_RAISE(E_FAIL);
                case 2: return *nowhere;
                case 3: throw 1;
                case 4: throw com_eh::SuccessException(S_FALSE);
                default: return S_OK;
            }
        });
        EXPECT_EQ(during, &com_eh::se_translator) << way;
        EXPECT_EQ(com_eh::set_se_translator(OtherTranslator), &OtherTranslator) << way;
    }
    com_eh::set_se_translator(before);
}

TEST_F(FrameTest, AnInnerFrameLeavesTheOuterFramesTranslatorInPlace) {
    int* volatile nowhere = nullptr;
    HRESULT inner = S_OK;
    HRESULT outer = RunInFrame([&]() -> HRESULT {
        inner = RunInFrame([&]() -> HRESULT { TESK_RAISE(E_ABORT); });
        return *nowhere;  // still translated by the outer frame
    });
    EXPECT_EQ(inner, E_ABORT);
    EXPECT_EQ(outer, static_cast<HRESULT>(0x80070005));
}

}  // namespace
