// The break flag and the debug prompt check, with the probe logger as the
// client's library.
#include <gtest/gtest.h>

#include "diagnostics/com_eh.h"
#include "diagnostics/debug_prompt.h"
#include "TeskAgent/diagnostics/error_info.h"
#include "diagnostics/log_client.h"
#include "TeskAgent/diagnostics/probe_library.h"
#include "support/test_support.h"

using namespace tesk_test;

namespace {

class DebugPromptTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe_.loaded());
        probe_.Reset();
        probe_.Set("LOGFLAGLOG", 0);
        WriteString(HKEY_CURRENT_USER, key_.path(), L"InstallPath", kProbeFull);
        ::SetErrorInfo(0, nullptr);
    }
    ProbeLibrary probe_{kProbeFull};
    ScopedTestKey key_{L"DebugPrompt"};
    CLogClient client_{HKEY_CURRENT_USER, key_.path().c_str()};
    DWORD breakFlag_ = 0;
};

TEST_F(DebugPromptTest, TheFlagIsRegisteredUntilNonZeroAndThePromptIsOnWhileTheFlagIs) {
    probe_.Set("REGISTERLOGFLAG", 0);
    EXPECT_FALSE(com_eh::DebugPromptWanted(client_, breakFlag_));
    EXPECT_FALSE(com_eh::DebugPromptWanted(client_, breakFlag_));
    EXPECT_EQ(breakFlag_, 0u);
    EXPECT_EQ(probe_.Calls("REGISTERLOGFLAG"), 2);
    EXPECT_EQ(probe_.LastArg("REGISTERLOGFLAG", 1), 11u);
    EXPECT_EQ(probe_.LastText("REGISTERLOGFLAG"), L"BreakOnError");
    EXPECT_EQ(probe_.Calls("LOGFLAGLOG"), 0);  // no flag, no question

    probe_.Set("REGISTERLOGFLAG", 0x800);
    EXPECT_FALSE(com_eh::DebugPromptWanted(client_, breakFlag_));
    EXPECT_EQ(breakFlag_, 0x800u);
    EXPECT_EQ(probe_.LastArg("LOGFLAGLOG", 1), 0x800u);
    probe_.Set("LOGFLAGLOG", 1);
    EXPECT_TRUE(com_eh::DebugPromptWanted(client_, breakFlag_));
    probe_.Set("LOGFLAGLOG", 0);
    EXPECT_FALSE(com_eh::DebugPromptWanted(client_, breakFlag_));
    EXPECT_EQ(probe_.Calls("REGISTERLOGFLAG"), 3);  // kept once it is non-zero
}

TEST_F(DebugPromptTest, PendingErrorInfoIsPutBackWithTheSameDescriptionAndSource) {
    const GUID someInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    // Kept alive here, so the rebuilt object cannot be this one (nor reuse its memory).
    auto original = MakeErrorInfo(L"Inner failure", L"Inner.Component", someInterface);
    ::SetErrorInfo(0, original.get());
    com_eh::DebugPromptWanted(client_, breakFlag_);
    EXPECT_EQ(probe_.Calls("REGISTERLOGFLAG"), 1);
    tesk::UniqueComPtr<IErrorInfo> rebuilt;
    ASSERT_EQ(::GetErrorInfo(0, rebuilt.put()), S_OK);
    EXPECT_NE(rebuilt.get(), original.get());
    ::SetErrorInfo(0, rebuilt.get());
    PendingErrorInfo pending = TakePendingErrorInfo();
    EXPECT_EQ(pending.description, L"Inner failure");
    EXPECT_EQ(pending.source, L"Inner.Component");
    EXPECT_FALSE(IsEqualGUID(pending.guid, someInterface));  // only those two travel

    // Once the flag is known, pending information is left alone (the very same object).
    ::SetErrorInfo(0, original.get());
    com_eh::DebugPromptWanted(client_, breakFlag_);
    ASSERT_EQ(::GetErrorInfo(0, rebuilt.put()), S_OK);
    EXPECT_EQ(rebuilt.get(), original.get());

    // Without pending information none is made up.
    breakFlag_ = 0;
    com_eh::DebugPromptWanted(client_, breakFlag_);
    EXPECT_FALSE(TakePendingErrorInfo().present);
}

TEST(DebugPromptTextTest, TheRaiseIsDescribedAsCaughtWithTheQuestionOnItsOwnLine) {
    com_eh::com_error_dbg e(E_FAIL, nullptr, L"go on", "C:\\src\\x.cpp", 4);
    std::wstring caught = static_cast<const wchar_t*>(e.describe(com_eh::caught, nullptr, 0));
    EXPECT_EQ(com_eh::DebugPromptText(e), caught + L"\nWould you like to debug this process?");
    EXPECT_EQ(com_eh::kDebugPromptStyle, 0x00202014u);
}

}  // namespace
