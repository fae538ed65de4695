// The Tesk ROT through an agent object made in this process: the table is the
// process's own, so these cases see exactly what the agent does with it.
#include <gtest/gtest.h>

#include "agent_object.h"
#include "agent_test_support.h"
#include "support/counted_object.h"
#include "support/test_support.h"

using tesk_test::CountedObject;
using agent_test::UnknownVariant;

namespace {

class TeskRotTest : public testing::Test {
protected:
    // Declared first: they outlive the table entries that TearDown removes.
    CountedObject server, other, first, second;
    ITesk_AgentPtr agent_ = agent_test::MakeAgentInProcess();
    ITeskRotPtr rot_ = agent_test::RotOf(agent_);
    // A key of this test's own: the table is shared by the whole process.
    _bstr_t key_ = tesk_test::NewGuidText().c_str();
    void TearDown() override {
        if (rot_) rot_->TeskRotUnRegister(key_);
    }
};

TEST_F(TeskRotTest, RegisteredObjectIsHandedOutAgainWithAReferenceEachTime) {
    ASSERT_TRUE(rot_);
    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&server)), S_OK);
    EXPECT_EQ(server.refs(), 2) << "the table holds one reference";
    for (int i = 0; i < 2; ++i) {
        _variant_t out;
        ASSERT_EQ(rot_->TeskRotGetActiveObject(key_, &out), S_OK);
        ASSERT_EQ(V_VT(&out), VT_UNKNOWN);
        EXPECT_EQ(V_UNKNOWN(&out), &server);
        EXPECT_EQ(server.refs(), 3);
    }
    ASSERT_EQ(rot_->TeskRotUnRegister(key_), S_OK);
    EXPECT_EQ(server.refs(), 1) << "unregistering releases the table's reference";
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &out), E_FAIL);
}

TEST_F(TeskRotTest, SecondRegistrationReplacesAndReleasesTheFirst) {
    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&first)), S_OK);
    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&second)), S_OK);
    EXPECT_EQ(first.refs(), 1);
    EXPECT_EQ(second.refs(), 2);
    _variant_t out;
    ASSERT_EQ(rot_->TeskRotGetActiveObject(key_, &out), S_OK);
    EXPECT_EQ(V_UNKNOWN(&out), &second);
}

TEST_F(TeskRotTest, OtherValueTypesAreRefusedAndLeaveTheEntryAsItWas) {
    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&server)), S_OK);

    VARIANT asDispatch = UnknownVariant(&other);
    V_VT(&asDispatch) = VT_DISPATCH;
    IUnknown* pointer = &other;
    VARIANT byRef;
    ::VariantInit(&byRef);
    V_VT(&byRef) = VT_UNKNOWN | VT_BYREF;
    V_UNKNOWNREF(&byRef) = &pointer;
    VARIANT empty;
    ::VariantInit(&empty);
    _variant_t number(42L);
    for (const VARIANT& refused : {asDispatch, byRef, empty, static_cast<VARIANT>(number)}) {
        SCOPED_TRACE(V_VT(&refused));
        EXPECT_EQ(rot_->TeskRotRegister(key_, refused), E_INVALIDARG);
    }
    EXPECT_EQ(other.refs(), 1);
    _variant_t out;
    ASSERT_EQ(rot_->TeskRotGetActiveObject(key_, &out), S_OK);
    EXPECT_EQ(V_UNKNOWN(&out), &server);
}

TEST_F(TeskRotTest, RefusedFirstRegistrationStoresNothing) {
    VARIANT asDispatch = UnknownVariant(&other);
    V_VT(&asDispatch) = VT_DISPATCH;
    EXPECT_EQ(rot_->TeskRotRegister(key_, asDispatch), E_INVALIDARG);
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &out), E_FAIL);
}

TEST_F(TeskRotTest, AbsentKeyFailsWithoutTouchingTheCallersVariantOrErrorInfo) {
    VARIANT out;
    V_VT(&out) = VT_I4;
    V_I4(&out) = 1234;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &out), E_FAIL);
    EXPECT_EQ(V_VT(&out), VT_I4);
    EXPECT_EQ(V_I4(&out), 1234);
    EXPECT_FALSE(agent_test::HasErrorInfo()) << "the failure is returned, not raised";
}

TEST_F(TeskRotTest, UnregisteringAnUnknownKeySucceeds) {
    EXPECT_EQ(rot_->TeskRotUnRegister(key_), S_OK);
    EXPECT_EQ(rot_->TeskRotUnRegister(nullptr), S_OK);
}

TEST_F(TeskRotTest, KeysAreCaseSensitiveAndEndAtTheFirstNull) {
    std::wstring upper(static_cast<const wchar_t*>(key_));
    std::wstring lower = upper;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    ASSERT_NE(lower, upper);
    _bstr_t lowerKey(lower.c_str());
    ASSERT_EQ(rot_->TeskRotRegister(lowerKey, UnknownVariant(&server)), S_OK);
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &out), E_FAIL);
    EXPECT_EQ(rot_->TeskRotGetActiveObject(lowerKey, &out), S_OK);

    // A BSTR with text after an embedded null names the text before it.
    std::wstring withTail = lower + L'\0' + L"tail";
    tesk::UniqueSysString tailed(
        ::SysAllocStringLen(withTail.data(), static_cast<UINT>(withTail.size())));
    _variant_t again;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(tailed.get(), &again), S_OK);
    EXPECT_EQ(rot_->TeskRotUnRegister(lowerKey), S_OK);
}

TEST_F(TeskRotTest, NullKeyIsAKeyOfItsOwn) {
    ASSERT_EQ(rot_->TeskRotRegister(nullptr, UnknownVariant(&server)), S_OK);
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(nullptr, &out), S_OK);
    _variant_t none;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(_bstr_t(L""), &none), E_FAIL);
    EXPECT_EQ(rot_->TeskRotUnRegister(nullptr), S_OK);
    EXPECT_EQ(server.refs(), 1 + 1) << "only the copy in `out` remains";
}

TEST_F(TeskRotTest, EveryAgentObjectSeesTheSameTable) {
    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&server)), S_OK);
    ITeskRotPtr other = agent_test::RotOf(agent_test::MakeAgentInProcess());
    _variant_t out;
    ASSERT_EQ(other->TeskRotGetActiveObject(key_, &out), S_OK);
    EXPECT_EQ(V_UNKNOWN(&out), &server);
}

TEST_F(TeskRotTest, NullOutVariantIsRefused) {
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, nullptr), E_POINTER);
}

}  // namespace
