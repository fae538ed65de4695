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

TEST(DescribeTest, TheRecordTextIsOperationSourceDescriptionMessageKindAndPosition) {
    using namespace com_eh;
    struct Case {
        HRESULT hr;
        const wchar_t *description, *source;  // both null: no error information
        const wchar_t* operation;
        const char* file;
        int line;
        describe_kind kind;
        const char* givenFile;  // what describe() is given
        int givenLine;
        const wchar_t *before, *after;  // around the system message
    };
    const Case cases[] = {
        {E_FAIL, nullptr, nullptr, L"open the door", nullptr, 0, raised, nullptr, 0,
         L"Could not open the door.  ", L" raised.  "},
        {E_INVALIDARG, nullptr, nullptr, nullptr, nullptr, 0, caught, nullptr, 0, L"", L" caught.  "},
        {E_INVALIDARG, nullptr, nullptr, L"", nullptr, 0, logged, nullptr, 0, L"", L" logged.  "},
        {E_OUTOFMEMORY, L"The disk is full", L"Storage.Component", L"save", nullptr, 0, raised,
         nullptr, 0, L"Could not save.  From Storage.Component.  The disk is full.  ", L" raised.  "},
        {E_OUTOFMEMORY, L"", L"Storage.Component", nullptr, nullptr, 0, raised, nullptr, 0,
         L"From Storage.Component.  ", L" raised.  "},
        {E_OUTOFMEMORY, L"Nothing there", L"", nullptr, nullptr, 0, raised, nullptr, 0,
         L"Nothing there.  ", L" raised.  "},
        // The position splits the path into name and folder.
        {E_FAIL, nullptr, nullptr, nullptr, "C:\\work\\agent\\module", 123, raised, nullptr, 0, L"",
         L" raised at line 123 in module (in C:\\work\\agent\\).  "},
        {E_FAIL, nullptr, nullptr, nullptr, "D:\\src\\Tesk_Agent.cpp", 7, caught, nullptr, 0, L"",
         L" caught at line 7 in Tesk_Agent.cpp (in D:\\src\\).  "},
        {E_FAIL, nullptr, nullptr, nullptr, "/build/agent/a.b.cpp", 99, raised, nullptr, 0, L"",
         L" raised at line 99 in a.b.cpp (in /build/agent/).  "},
        {E_FAIL, nullptr, nullptr, nullptr, "alone.h", 1, raised, nullptr, 0, L"",
         L" raised at line 1 in alone.h (in ).  "},
        // A given file and line take the place of the object's own; a line of
        // 0 keeps the object's own line, a null file its own file.
        {E_FAIL, nullptr, nullptr, L"x", "C:\\raise\\here.cpp", 10, caught, "C:\\frame\\there.cpp",
         20, L"Could not x.  ", L" caught at line 20 in there.cpp (in C:\\frame\\).  "},
        {E_FAIL, nullptr, nullptr, L"x", "C:\\raise\\here.cpp", 10, caught, "C:\\frame\\there.cpp",
         0, L"Could not x.  ", L" caught at line 10 in there.cpp (in C:\\frame\\).  "},
        {E_FAIL, nullptr, nullptr, L"x", "C:\\raise\\here.cpp", 10, caught, nullptr, 30,
         L"Could not x.  ", L" caught at line 30 in here.cpp (in C:\\raise\\).  "},
    };
    for (const Case& c : cases) {
        auto info = c.source ? MakeErrorInfo(c.description, c.source)
                             : tesk::UniqueComPtr<IErrorInfo>();
        com_error_dbg e(c.hr, info.get(), c.operation, c.file, c.line);
        EXPECT_EQ(Describe(e, c.kind, c.givenFile, c.givenLine),
                  c.before + ExpectedErrorMessage(c.hr) + c.after);
    }
}

// ---- The system message text ----------------------------------------------------------

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

TEST(ComErrorDbgTest, CopiesKeepThePositionAndEachHoldsOneReferenceToTheSameErrorInfo) {
    auto info = MakeErrorInfo(L"desc", L"src");
    IErrorInfo* raw = info.get();
    raw->AddRef();
    const ULONG before = raw->Release();
    {
        com_error_dbg original(E_FAIL, raw, L"op", "C:\\f.cpp", 5);
        com_error_dbg copy(original);
        raw->AddRef();
        EXPECT_EQ(raw->Release(), before + 2);
        EXPECT_EQ(copy.Error(), E_FAIL);
        EXPECT_STREQ(copy.file(), "C:\\f.cpp");
        EXPECT_EQ(copy.line(), 5);
        tesk::UniqueComPtr<IErrorInfo> fromCopy(copy.ErrorInfo());
        EXPECT_EQ(fromCopy.get(), raw);
        EXPECT_EQ(Describe(copy, com_eh::raised), Describe(original, com_eh::raised));
    }
    raw->AddRef();
    EXPECT_EQ(raw->Release(), before);
}

TEST(ComErrorDbgTest, MadeFromAComErrorItHasNoOperationAndNoPosition) {
    auto info = MakeErrorInfo(L"from inner call", L"Inner");
    info->AddRef();
    _com_error inner(E_ACCESSDENIED, info.get());  // takes over that reference
    com_error_dbg e(inner);
    EXPECT_EQ(e.file(), nullptr);
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(Describe(e, com_eh::caught),
              L"From Inner.  from inner call.  " + ExpectedErrorMessage(E_ACCESSDENIED) +
                  L" caught.  ");
}

// report() puts the error information on the thread and returns the result:
// every raise in error_frame_test.cpp goes through it.

}  // namespace
