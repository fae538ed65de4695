// The Tesk ROT through an agent object made in this process, for what only this
// process can see: reference counts, values that cannot cross processes, null
// pointers and error information. The rest runs across processes
// (agent_process_test.cpp).
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

TEST_F(TeskRotTest, TableHoldsOneReferenceAndHandsOutOneMorePerLookUp) {
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

    // A null key is a key of its own, not the empty string.
    ASSERT_EQ(rot_->TeskRotRegister(nullptr, UnknownVariant(&other)), S_OK);
    _variant_t out;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(nullptr, &out), S_OK);
    _variant_t none;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(_bstr_t(L""), &none), E_FAIL);
    EXPECT_EQ(rot_->TeskRotUnRegister(nullptr), S_OK);
    EXPECT_EQ(other.refs(), 1 + 1) << "only the copy in `out` remains";
}

TEST_F(TeskRotTest, OtherValueTypesAreRefusedAndLeaveTheEntryAsItWas) {
    VARIANT asDispatch = UnknownVariant(&other);
    V_VT(&asDispatch) = VT_DISPATCH;
    EXPECT_EQ(rot_->TeskRotRegister(key_, asDispatch), E_INVALIDARG);
    _variant_t none;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &none), E_FAIL) << "a refused first value";

    ASSERT_EQ(rot_->TeskRotRegister(key_, UnknownVariant(&server)), S_OK);
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

TEST_F(TeskRotTest, AbsentKeyAndNullOutVariantAreReturnedNotRaised) {
    VARIANT out;
    V_VT(&out) = VT_I4;
    V_I4(&out) = 1234;
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, &out), E_FAIL);
    EXPECT_EQ(V_VT(&out), VT_I4) << "the caller's variant is not touched";
    EXPECT_EQ(V_I4(&out), 1234);
    EXPECT_FALSE(agent_test::HasErrorInfo()) << "the failure is returned, not raised";
    EXPECT_EQ(rot_->TeskRotGetActiveObject(key_, nullptr), E_POINTER);
}

}  // namespace
