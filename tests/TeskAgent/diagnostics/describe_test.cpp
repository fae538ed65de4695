// The record text of an error, piece by piece, and the system message text.
#include <gtest/gtest.h>

#include <cstring>

#include "diagnostics/com_eh.h"
#include "TeskAgent/diagnostics/error_info.h"
#include "diagnostics/error_text.h"
#include "TeskAgent/diagnostics/system_text.h"

using namespace tesk_test;
using com_eh::com_error_dbg;

namespace {

std::wstring Describe(const com_error_dbg& e, com_eh::describe_kind kind, const char* file = nullptr,
                      int line = 0) {
    _bstr_t text = e.describe(kind, file, line);
    return text.length() ? static_cast<const wchar_t*>(text) : L"";
}

// ---- The pieces of the record text ----------------------------------------------------

TEST(DescribeTest, OperationWithoutErrorInfoOrFileGivesExactlyFourPieces) {
    com_error_dbg e(E_FAIL, nullptr, L"open the door", nullptr, 0);
    EXPECT_EQ(Describe(e, com_eh::raised),
              L"Could not open the door.  " + ExpectedErrorMessage(E_FAIL) + L" raised.  ");
}

TEST(DescribeTest, NoOperationTextGivesNoCouldNotPiece) {
    com_error_dbg e(E_INVALIDARG, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(Describe(e, com_eh::caught), ExpectedErrorMessage(E_INVALIDARG) + L" caught.  ");
    com_error_dbg empty(E_INVALIDARG, nullptr, L"", nullptr, 0);
    EXPECT_EQ(Describe(empty, com_eh::logged), ExpectedErrorMessage(E_INVALIDARG) + L" logged.  ");
}

TEST(DescribeTest, ErrorInfoGivesTheSourceAndTheDescriptionPieces) {
    auto both = MakeErrorInfo(L"The disk is full", L"Storage.Component");
    com_error_dbg e(E_OUTOFMEMORY, both.get(), L"save", nullptr, 0);
    EXPECT_EQ(Describe(e, com_eh::raised), L"Could not save.  From Storage.Component.  "
                                           L"The disk is full.  " +
                                               ExpectedErrorMessage(E_OUTOFMEMORY) + L" raised.  ");

    auto sourceOnly = MakeErrorInfo(L"", L"Storage.Component");
    com_error_dbg s(E_OUTOFMEMORY, sourceOnly.get(), nullptr, nullptr, 0);
    EXPECT_EQ(Describe(s, com_eh::raised),
              L"From Storage.Component.  " + ExpectedErrorMessage(E_OUTOFMEMORY) + L" raised.  ");

    auto descriptionOnly = MakeErrorInfo(L"Nothing there", L"");
    com_error_dbg d(E_OUTOFMEMORY, descriptionOnly.get(), nullptr, nullptr, 0);
    EXPECT_EQ(Describe(d, com_eh::raised),
              L"Nothing there.  " + ExpectedErrorMessage(E_OUTOFMEMORY) + L" raised.  ");
}

TEST(DescribeTest, ThePositionPieceSplitsThePathIntoNameAndFolder) {
    com_error_dbg noExtension(E_FAIL, nullptr, nullptr, "C:\\work\\agent\\module", 123);
    EXPECT_EQ(Describe(noExtension, com_eh::raised),
              ExpectedErrorMessage(E_FAIL) +
                  L" raised at line 123 in module (in C:\\work\\agent\\).  ");

    com_error_dbg withExtension(E_FAIL, nullptr, nullptr, "D:\\src\\Tesk_Agent.cpp", 7);
    EXPECT_EQ(Describe(withExtension, com_eh::caught),
              ExpectedErrorMessage(E_FAIL) +
                  L" caught at line 7 in Tesk_Agent.cpp (in D:\\src\\).  ");

    com_error_dbg forwardSlashes(E_FAIL, nullptr, nullptr, "/build/agent/a.b.cpp", 99);
    EXPECT_EQ(Describe(forwardSlashes, com_eh::raised),
              ExpectedErrorMessage(E_FAIL) + L" raised at line 99 in a.b.cpp (in /build/agent/).  ");

    com_error_dbg bare(E_FAIL, nullptr, nullptr, "alone.h", 1);
    EXPECT_EQ(Describe(bare, com_eh::raised),
              ExpectedErrorMessage(E_FAIL) + L" raised at line 1 in alone.h (in ).  ");
}

TEST(DescribeTest, AGivenFileAndLineTakeThePlaceOfTheObjectsOwn) {
    com_error_dbg e(E_FAIL, nullptr, L"x", "C:\\raise\\here.cpp", 10);
    const std::wstring message = ExpectedErrorMessage(E_FAIL);
    EXPECT_EQ(Describe(e, com_eh::caught, "C:\\frame\\there.cpp", 20),
              L"Could not x.  " + message + L" caught at line 20 in there.cpp (in C:\\frame\\).  ");
    // A line of 0 keeps the object's own line; a null file its own file.
    EXPECT_EQ(Describe(e, com_eh::caught, "C:\\frame\\there.cpp", 0),
              L"Could not x.  " + message + L" caught at line 10 in there.cpp (in C:\\frame\\).  ");
    EXPECT_EQ(Describe(e, com_eh::caught, nullptr, 30),
              L"Could not x.  " + message + L" caught at line 30 in here.cpp (in C:\\raise\\).  ");
}

// ---- The system message text ----------------------------------------------------------

TEST(ErrorMessageTest, SystemTextsLoseTheirLineEnd) {
    for (HRESULT hr : {E_ACCESSDENIED, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), E_OUTOFMEMORY}) {
        std::wstring raw;
        if (!SystemMessage(hr, &raw)) continue;  // the fallback is tested below
        com_error_dbg e(hr, nullptr, nullptr, nullptr, 0);
        std::wstring text = e.ErrorMessage();
        EXPECT_EQ(text, ExpectedErrorMessage(hr));
        EXPECT_TRUE(text.empty() || text.back() != L'\n');
    }
}

TEST(ErrorMessageTest, WithoutASystemTextTheFallbackWordingIsUsed) {
    struct Case {
        HRESULT hr;
        const wchar_t* format;
        long number;
    };
    const Case cases[] = {
        {static_cast<HRESULT>(0x80040200), L"IDispatch error #%d", 0},
        {static_cast<HRESULT>(0x80040201), L"IDispatch error #%d", 1},
        {static_cast<HRESULT>(0x8004FFFF), L"IDispatch error #%d", 0xFFFF - 512},
        {static_cast<HRESULT>(0xA0001234), L"Unknown error 0x%0lX", static_cast<long>(0xA0001234)},
        {static_cast<HRESULT>(0x800401FF), L"Unknown error 0x%0lX", static_cast<long>(0x800401FF)},
    };
    int checked = 0;
    for (const Case& c : cases) {
        std::wstring raw;
        if (SystemMessage(c.hr, &raw)) continue;  // the system knows this one after all
        wchar_t expected[64];
        std::swprintf(expected, 64, c.format, c.number);
        com_error_dbg e(c.hr, nullptr, nullptr, nullptr, 0);
        EXPECT_STREQ(e.ErrorMessage(), expected);
        ++checked;
    }
    EXPECT_GE(checked, 3) << "the system has texts for nearly all of these codes";
}

TEST(ErrorMessageTest, TheTextIsMadeOnceAndNotCopied) {
    com_error_dbg e(E_FAIL, nullptr, nullptr, nullptr, 0);
    const wchar_t* first = e.ErrorMessage();
    EXPECT_EQ(e.ErrorMessage(), first);
    com_error_dbg copy(e);
    EXPECT_NE(copy.ErrorMessage(), first);
    EXPECT_STREQ(copy.ErrorMessage(), first);
}

TEST(ErrorMessageTest, TrailingLineEndRules) {
    struct Case {
        const wchar_t* text;
        const wchar_t* trimmed;
    };
    for (const Case& c : {Case{L"Access denied.\r\n", L"Access denied."},
                          Case{L"Lone feed\n", L"Lone feed"}, Case{L"Return only\r", L"Return only\r"},
                          Case{L"\n", L"\n"}, Case{L"x", L"x"}, Case{L"\r\n", L""},
                          Case{L"Two\n\n", L"Two\n"}, Case{L"", L""}}) {
        wchar_t buffer[64];
        wcscpy(buffer, c.text);
        com_eh::TrimMessageEnd(buffer);
        EXPECT_STREQ(buffer, c.trimmed) << "from \"" << c.text << "\"";
    }
}

// ---- The exception object ------------------------------------------------------------

TEST(ComErrorDbgTest, CopiesShareTheErrorInfoAndKeepThePosition) {
    auto info = MakeErrorInfo(L"desc", L"src");
    com_error_dbg original(E_FAIL, info.get(), L"op", "C:\\f.cpp", 5);
    com_error_dbg copy(original);
    EXPECT_EQ(copy.Error(), E_FAIL);
    EXPECT_EQ(copy.operation(), original.operation());
    EXPECT_STREQ(copy.file(), "C:\\f.cpp");
    EXPECT_EQ(copy.line(), 5);
    tesk::UniqueComPtr<IErrorInfo> fromCopy(copy.ErrorInfo());
    EXPECT_EQ(fromCopy.get(), info.get());
    EXPECT_EQ(Describe(copy, com_eh::raised), Describe(original, com_eh::raised));
}

TEST(ComErrorDbgTest, EachObjectHoldsOneReferenceToItsErrorInfo) {
    auto info = MakeErrorInfo(L"desc", L"src");
    IErrorInfo* raw = info.get();
    raw->AddRef();
    const ULONG before = raw->Release();
    {
        com_error_dbg e(E_FAIL, raw, nullptr, nullptr, 0);
        com_error_dbg copy(e);
        raw->AddRef();
        EXPECT_EQ(raw->Release(), before + 2);
    }
    raw->AddRef();
    EXPECT_EQ(raw->Release(), before);
}

TEST(ComErrorDbgTest, MadeFromAComErrorItHasNoOperationAndNoPosition) {
    auto info = MakeErrorInfo(L"from inner call", L"Inner");
    info->AddRef();
    _com_error inner(E_ACCESSDENIED, info.get());  // takes over that reference
    com_error_dbg e(inner);
    EXPECT_EQ(e.Error(), E_ACCESSDENIED);
    EXPECT_EQ(e.operation().length(), 0u);
    EXPECT_EQ(e.file(), nullptr);
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(Describe(e, com_eh::caught),
              L"From Inner.  from inner call.  " + ExpectedErrorMessage(E_ACCESSDENIED) +
                  L" caught.  ");
}

TEST(ComErrorDbgTest, ReportPutsTheErrorInfoOnTheThreadAndReturnsTheResult) {
    auto info = MakeErrorInfo(L"reported", L"Reporter");
    com_error_dbg e(DISP_E_EXCEPTION, info.get(), nullptr, nullptr, 0);
    ::SetErrorInfo(0, nullptr);
    EXPECT_EQ(e.report(), DISP_E_EXCEPTION);
    PendingErrorInfo pending = TakePendingErrorInfo();
    EXPECT_TRUE(pending.present);
    EXPECT_EQ(pending.description, L"reported");

    com_error_dbg none(E_FAIL, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(none.report(), E_FAIL);
    EXPECT_FALSE(TakePendingErrorInfo().present);
}

}  // namespace
