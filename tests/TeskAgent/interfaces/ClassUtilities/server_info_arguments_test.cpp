// Argument checks of ITeskServerInfo, made on an agent object in this process:
// the marshaler would refuse null pointers and odd arrays before the agent
// saw them.
#include <windows.h>
#include <comdef.h>

#include <climits>

#include <gtest/gtest.h>

#include "TeskAgent_h.h"
#include "agent/Tesk_Agent.h"
#include "TeskAgent/interfaces/ClassUtilities/info_arrays.h"

_COM_SMARTPTR_TYPEDEF(ITeskServerInfo, __uuidof(ITeskServerInfo));

namespace info_test {
namespace {

class ServerInfoArgumentsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CTesk_Agent::CreateInstance(
            nullptr, IID_ITeskServerInfo, reinterpret_cast<void**>(&info_)));
    }
    HRESULT Properties(SAFEARRAY* ids, SAFEARRAY** values, SAFEARRAY** errors) {
        return info_->GetTeskServerProperties(_bstr_t(L"TeskInfoTest.NoSuchServer"), ids, values,
                                              errors);
    }
    HRESULT Attributes(SAFEARRAY* names, SAFEARRAY** values, SAFEARRAY** errors,
                       const wchar_t* type = L"LOCAL") {
        return info_->GetVersionAttributes(_bstr_t(L"TeskInfoTest.NoSuchServer"), _bstr_t(type),
                                           names, values, errors);
    }
    ITeskServerInfoPtr info_;
    SAFEARRAY* values_ = nullptr;
    SAFEARRAY* errors_ = nullptr;
};

TEST_F(ServerInfoArgumentsTest, MissingArgumentsReturnPointerErrors) {
    EXPECT_EQ(E_POINTER, info_->GetTeskServerPluginProgIDs(nullptr));

    tesk::UniqueSafeArray ids = LongArray({1});
    EXPECT_EQ(E_POINTER, Properties(nullptr, &values_, &errors_));
    EXPECT_EQ(E_POINTER, Properties(ids.get(), nullptr, &errors_));
    EXPECT_EQ(E_POINTER, Properties(ids.get(), &values_, nullptr));

    tesk::UniqueSafeArray names = StringArray({L"FilePath"});
    EXPECT_EQ(E_POINTER, Attributes(nullptr, &values_, &errors_));
    EXPECT_EQ(E_POINTER, Attributes(names.get(), nullptr, &errors_));
    EXPECT_EQ(E_POINTER, Attributes(names.get(), &values_, nullptr));
    EXPECT_EQ(nullptr, values_);
    EXPECT_EQ(nullptr, errors_);
}

TEST_F(ServerInfoArgumentsTest, WrongElementTypesReturnPointerErrors) {
    for (VARTYPE type : {VT_UI4, VT_I2, VT_BSTR}) {
        SCOPED_TRACE(type);
        tesk::UniqueSafeArray ids = type == VT_BSTR ? StringArray({L"1"}) : ArrayOfType(type, 2);
        EXPECT_EQ(E_POINTER, Properties(ids.get(), &values_, &errors_));
    }
    for (VARTYPE type : {VT_I4, VT_VARIANT}) {
        SCOPED_TRACE(type);
        tesk::UniqueSafeArray names(::SafeArrayCreateVector(type, 0, 1));
        EXPECT_EQ(E_POINTER, Attributes(names.get(), &values_, &errors_));
    }
    EXPECT_EQ(nullptr, values_);
}

// Requests that are not one list of LONG indexes are refused before any
// element is read: more than one dimension (a read with one index would take
// the others from beside it), or a last index beyond the LONG range. A list
// that ends exactly at the top of that range is read completely.
TEST_F(ServerInfoArgumentsTest, RequestsMustBeOneListOfLongIndexes) {
    const struct {
        UINT dims;
        LONG lower;
        ULONG count;
        HRESULT expected;
    } cases[] = {
        {2, 0, 2, E_POINTER},
        {3, 0, 2, E_POINTER},
        {1, LONG_MAX - 1, 3, E_POINTER},
        {1, LONG_MAX, 2, E_POINTER},
        {1, LONG_MAX - 2, 3, S_OK},
        {1, LONG_MIN, 2, S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dims << " dimensions from " << c.lower);
        SAFEARRAYBOUND bounds[3] = {{c.count, c.lower}, {c.count, c.lower}, {c.count, c.lower}};
        tesk::UniqueSafeArray ids(::SafeArrayCreate(VT_I4, c.dims, bounds));
        tesk::UniqueSafeArray names(::SafeArrayCreate(VT_BSTR, c.dims, bounds));
        ASSERT_TRUE(ids && names);
        EXPECT_EQ(c.expected, Properties(ids.get(), &values_, &errors_));
        const ULONG answered = SUCCEEDED(c.expected) ? TakeAnswers(values_, errors_).errors.size() : 0;
        EXPECT_EQ(c.expected, Attributes(names.get(), &values_, &errors_));
        if (SUCCEEDED(c.expected)) {
            EXPECT_EQ(c.count, answered);
            EXPECT_EQ(c.count, TakeAnswers(values_, errors_).errors.size());
        }
        values_ = errors_ = nullptr;
    }
}

// A string array whose element size is not that of a BSTR in this build.
TEST_F(ServerInfoArgumentsTest, ElementSizeMustMatchThisBuild) {
    tesk::UniqueSafeArray names = StringArray({L"FilePath"});
    names->cbElements = 4 + 8 - sizeof(BSTR);  // 4 in a 64-bit build, 8 in a 32-bit one
    EXPECT_EQ(E_POINTER, Attributes(names.get(), &values_, &errors_));
    names->cbElements = sizeof(BSTR);
    EXPECT_EQ(S_OK, Attributes(names.get(), &values_, &errors_));
    Answers got = TakeAnswers(values_, errors_);
    EXPECT_EQ((std::vector<LONG>{S_OK}), got.errors);  // unknown server: empty path
    EXPECT_EQ((std::vector<std::wstring>{L""}), got.texts);
}

// An array that does not say its element type cannot be checked: that failure
// is the method's result.
TEST_F(ServerInfoArgumentsTest, UnreadableElementTypeFailsTheCall) {
    SAFEARRAY* raw = nullptr;
    ASSERT_HRESULT_SUCCEEDED(::SafeArrayAllocDescriptor(1, &raw));
    tesk::UniqueSafeArray ids(raw);
    raw->cbElements = sizeof(LONG);
    raw->rgsabound[0].cElements = 1;
    ASSERT_HRESULT_SUCCEEDED(::SafeArrayAllocData(raw));
    VARTYPE type = VT_EMPTY;
    HRESULT expected = ::SafeArrayGetVartype(raw, &type);
    ASSERT_TRUE(FAILED(expected));
    EXPECT_EQ(expected, Properties(raw, &values_, &errors_));
}

// What an unknown server or one without module answers, element by element:
// server_info_process_test.cpp.

}  // namespace
}  // namespace info_test
