// The array builders: growth, gaps, replacement, hand-over and ownership.
#include <gtest/gtest.h>

#include <comdef.h>

#include "agent/TeskSafeArrayWrapper.h"
#include "agent_test_support.h"
#include "support/unique_resource.h"

using agent_test::Longs;
using agent_test::ShapeOf;
using agent_test::Strings;

namespace {

TEST(SafeArrayWrapper, FreshWrapperHandsOutAValidEmptyArray) {
    TeskLongSafeArrayWrapper longs(0, false);
    EXPECT_EQ(longs.GetCount(), 0u);
    tesk::UniqueSafeArray array(longs.Detach(false));
    ASSERT_TRUE(array);
    agent_test::ArrayShape shape = ShapeOf(array.get());
    EXPECT_EQ(shape.type, VT_I4);
    EXPECT_EQ(shape.dims, 1u);
    EXPECT_EQ(shape.lower, 0);
    EXPECT_EQ(shape.count, 0u);
}

TEST(SafeArrayWrapper, AppendingGrowsByOneInOrder) {
    TeskBstrSafeArrayWrapper strings(0, false);
    EXPECT_TRUE(strings.SetAt(0, L"v"));
    EXPECT_TRUE(strings.SetAt(1, L"w"));
    tesk::UniqueSafeArray array(strings.Detach(false));
    EXPECT_EQ(ShapeOf(array.get()).type, VT_BSTR);
    EXPECT_EQ(Strings(array.get()), (std::vector<std::wstring>{L"v", L"w"}));
}

TEST(SafeArrayWrapper, StoringPastTheEndFillsTheGapWithEmptyElements) {
    TeskLongSafeArrayWrapper longs(0, false);
    ASSERT_TRUE(longs.SetAt(5, 7));
    tesk::UniqueSafeArray longArray(longs.Detach(false));
    EXPECT_EQ(Longs(longArray.get()), (std::vector<LONG>{0, 0, 0, 0, 0, 7}));

    TeskBstrSafeArrayWrapper strings(0, false);
    ASSERT_TRUE(strings.SetAt(5, L"x"));
    tesk::UniqueSafeArray stringArray(strings.Detach(false));
    EXPECT_EQ(agent_test::NullStrings(stringArray.get()),
              (std::vector<bool>{true, true, true, true, true, false}));

    TeskVariantSafeArrayWrapper variants(0, false);
    _variant_t value(L"text");
    ASSERT_TRUE(variants.SetAt(5, &value));
    tesk::UniqueSafeArray variantArray(variants.Detach(false));
    ASSERT_EQ(ShapeOf(variantArray.get()).count, 6u);
    for (LONG i = 0; i < 6; ++i) {
        _variant_t element;
        ::SafeArrayGetElement(variantArray.get(), &i, &element);
        EXPECT_EQ(V_VT(&element), i < 5 ? VT_EMPTY : VT_BSTR) << i;
    }
}

TEST(SafeArrayWrapper, StoringBelowTheCountReplacesWithoutShrinking) {
    TeskLongSafeArrayWrapper longs(0, false);
    longs.SetAt(0, 1);
    longs.SetAt(1, 2);
    longs.SetAt(2, 3);
    ASSERT_TRUE(longs.SetAt(1, 20));
    EXPECT_EQ(longs.GetCount(), 3u);
    tesk::UniqueSafeArray array(longs.Detach(false));
    EXPECT_EQ(Longs(array.get()), (std::vector<LONG>{1, 20, 3}));
}

TEST(SafeArrayWrapper, ElementsAreCopiesThatStayWithTheArray) {
    TeskVariantSafeArrayWrapper variants(0, false);
    {
        _variant_t value(L"copied");
        ASSERT_TRUE(variants.SetAt(0, &value));
    }  // the caller's VARIANT is gone; the element is its own copy
    tesk::UniqueSafeArray array(variants.Detach(false));
    LONG index = 0;
    _variant_t element;
    ::SafeArrayGetElement(array.get(), &index, &element);
    EXPECT_EQ(std::wstring(static_cast<_bstr_t>(element)), L"copied");
}

TEST(SafeArrayWrapper, NullStringBecomesANullElement) {
    TeskBstrSafeArrayWrapper strings(0, false);
    ASSERT_TRUE(strings.SetAt(0, L"a"));
    ASSERT_TRUE(strings.SetAt(1, nullptr));
    tesk::UniqueSafeArray array(strings.Detach(false));
    EXPECT_EQ(agent_test::NullStrings(array.get()), (std::vector<bool>{false, true}));
}

TEST(SafeArrayWrapper, DetachWithResetLeavesANewEmptyArray) {
    TeskBstrSafeArrayWrapper strings(0, true);
    strings.SetAt(0, L"a");
    strings.SetAt(1, L"b");
    tesk::UniqueSafeArray filled(strings.Detach(true));
    EXPECT_EQ(Strings(filled.get()), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(strings.GetCount(), 0u);
    // The wrapper holds a different, empty string array of its own.
    SAFEARRAY* now = strings.Detach(false);
    ASSERT_NE(now, nullptr);
    EXPECT_NE(now, filled.get());
    EXPECT_EQ(ShapeOf(now).type, VT_BSTR);
    EXPECT_EQ(ShapeOf(now).count, 0u);
}

TEST(SafeArrayWrapper, DetachWithoutResetKeepsHoldingTheSameArray) {
    TeskLongSafeArrayWrapper longs(0, false);
    longs.SetAt(0, 9);
    SAFEARRAY* first = longs.Detach(false);
    EXPECT_EQ(longs.Detach(false), first);
    EXPECT_EQ(longs.GetCount(), 1u);
    tesk::UniqueSafeArray owner(first);
}

TEST(SafeArrayWrapper, BaseDetachWithResetLetsGo) {
    TeskSafeArrayWrapper base(VT_I4, 2, false);
    EXPECT_EQ(base.GetCount(), 2u);
    tesk::UniqueSafeArray array(base.Detach(true));
    EXPECT_EQ(ShapeOf(array.get()).count, 2u);
    EXPECT_EQ(base.GetCount(), 0u);
    EXPECT_EQ(base.Detach(false), nullptr);
}

TEST(SafeArrayWrapper, DestroyForgetsTheArrayAndResizeCreatesAnother) {
    TeskLongSafeArrayWrapper longs(3, false);
    EXPECT_EQ(longs.Destroy(), S_OK);
    EXPECT_EQ(longs.GetCount(), 0u);
    EXPECT_EQ(longs.Destroy(), S_OK) << "nothing held";
    EXPECT_EQ(longs.Resize(4), S_OK);
    EXPECT_EQ(longs.GetCount(), 4u);
    tesk::UniqueSafeArray array(longs.Detach(false));
    EXPECT_EQ(ShapeOf(array.get()).type, VT_I4);
}

TEST(SafeArrayWrapper, NonOwningWrapperLeavesTheHandedOutArrayValid) {
    // A non-owning wrapper leaves the array valid for whoever it was handed to.
    SAFEARRAY* handedOut = nullptr;
    {
        TeskLongSafeArrayWrapper longs(0, false);
        longs.SetAt(0, 5);
        handedOut = longs.Detach(false);
    }
    EXPECT_EQ(Longs(handedOut), (std::vector<LONG>{5}));
    EXPECT_EQ(::SafeArrayDestroy(handedOut), S_OK);
}

}  // namespace
