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

TEST(SafeArrayWrapper, SetAtAppendsReplacesAndFillsGapsWithEmptyElementsOfItsOwn) {
    TeskLongSafeArrayWrapper longs(0, false);
    for (LONG value : {1, 2, 3}) ASSERT_TRUE(longs.SetAt(longs.GetCount(), value));
    ASSERT_TRUE(longs.SetAt(1, 20));  // below the count: replaced, nothing shrinks
    EXPECT_EQ(longs.GetCount(), 3u);
    ASSERT_TRUE(longs.SetAt(5, 7));
    tesk::UniqueSafeArray longArray(longs.Detach(false));
    EXPECT_EQ(Longs(longArray.get()), (std::vector<LONG>{1, 20, 3, 0, 0, 7}));

    // A null string becomes a null element, as do the elements of a gap.
    TeskBstrSafeArrayWrapper strings(0, false);
    ASSERT_TRUE(strings.SetAt(0, L"v"));
    ASSERT_TRUE(strings.SetAt(1, nullptr));
    ASSERT_TRUE(strings.SetAt(4, L"w"));
    tesk::UniqueSafeArray stringArray(strings.Detach(false));
    EXPECT_EQ(ShapeOf(stringArray.get()).type, VT_BSTR);
    EXPECT_EQ(Strings(stringArray.get()),
              (std::vector<std::wstring>{L"v", L"<null>", L"<null>", L"<null>", L"w"}));

    TeskVariantSafeArrayWrapper variants(0, false);
    {
        _variant_t value(L"copied");
        ASSERT_TRUE(variants.SetAt(2, &value));
    }  // the caller's VARIANT is gone; the element is its own copy
    tesk::UniqueSafeArray variantArray(variants.Detach(false));
    ASSERT_EQ(ShapeOf(variantArray.get()).count, 3u);
    for (LONG i = 0; i < 3; ++i) {
        _variant_t element;
        ::SafeArrayGetElement(variantArray.get(), &i, &element);
        EXPECT_EQ(V_VT(&element), i < 2 ? VT_EMPTY : VT_BSTR) << i;
    }
    LONG last = 2;
    _variant_t element;
    ::SafeArrayGetElement(variantArray.get(), &last, &element);
    EXPECT_EQ(std::wstring(static_cast<_bstr_t>(element)), L"copied");
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

TEST(SafeArrayWrapper, DetachWithoutResetKeepsHoldingTheArrayThatOutlivesTheWrapper) {
    SAFEARRAY* handedOut = nullptr;
    {
        TeskLongSafeArrayWrapper longs(0, false);
        longs.SetAt(0, 5);
        handedOut = longs.Detach(false);
        EXPECT_EQ(longs.Detach(false), handedOut);
        EXPECT_EQ(longs.GetCount(), 1u);
    }  // a non-owning wrapper leaves the array valid for whoever it was handed to
    EXPECT_EQ(Longs(handedOut), (std::vector<LONG>{5}));
    EXPECT_EQ(::SafeArrayDestroy(handedOut), S_OK);
}

}  // namespace
