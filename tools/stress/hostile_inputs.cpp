#include "stress/hostile_inputs.h"

#include <climits>

namespace stress {

tesk::UniqueSysString MakeBstr(const std::wstring& text) {
    return tesk::UniqueSysString(
        ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

tesk::UniqueSysString MakeText(Text kind, const std::wstring& prefix) {
    switch (kind) {
    case Text::Null:
        return tesk::UniqueSysString();
    case Text::Empty:
        return MakeBstr(L"");
    case Text::Long64K:
        return MakeBstr(prefix + std::wstring(32 * 1024, L'x'));  // 64 KiB of characters
    case Text::EmbeddedNul:
        return MakeBstr(prefix + std::wstring(1, L'\0') + L"after the null");
    }
    return tesk::UniqueSysString();
}

namespace {

const VARTYPE kWrongTypes[] = {VT_EMPTY, VT_NULL, VT_I2,  VT_I4,       VT_R4,   VT_R8,
                               VT_CY,    VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL,
                               VT_I1,    VT_UI1,  VT_UI2, VT_UI4,      VT_I8,   VT_UI8,
                               VT_DECIMAL, VT_UNKNOWN | VT_BYREF, VT_ARRAY | VT_I4};

const VARTYPE kElementTypes[] = {VT_I2, VT_UI4, VT_I4, VT_BSTR, VT_VARIANT, VT_R8, VT_UI1};

}  // namespace

size_t WrongVariantCount() { return sizeof(kWrongTypes) / sizeof(kWrongTypes[0]); }

void MakeWrongVariant(size_t index, IUnknown* object, VARIANT* out) {
    ::VariantInit(out);
    const VARTYPE type = kWrongTypes[index % WrongVariantCount()];
    static IUnknown* byReference = nullptr;
    switch (type) {
    case VT_BSTR:
        V_BSTR(out) = ::SysAllocString(L"{not an object}");
        break;
    case VT_DISPATCH:
        V_DISPATCH(out) = nullptr;  // a null dispatch pointer of the right type
        break;
    case VT_UNKNOWN | VT_BYREF:
        byReference = object;
        V_UNKNOWNREF(out) = &byReference;
        break;
    case VT_ARRAY | VT_I4:
        V_ARRAY(out) = MakeLongs({1, 2, 3}).release();
        break;
    case VT_DECIMAL:
        V_DECIMAL(out).Lo64 = 7;
        break;
    default:
        V_I8(out) = 7;  // the value bytes of every scalar type
        break;
    }
    V_VT(out) = type;
}

tesk::UniqueSafeArray MakeLongs(const std::vector<LONG>& values, LONG lower) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lower};
    tesk::UniqueSafeArray array(::SafeArrayCreate(VT_I4, 1, &bound));
    if (!array) return array;
    LONG* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)))) {
        for (size_t i = 0; i < values.size(); ++i) data[i] = values[i];
        ::SafeArrayUnaccessData(array.get());
    }
    return array;
}

tesk::UniqueSafeArray MakeStrings(const std::vector<std::wstring>& values, LONG lower) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lower};
    tesk::UniqueSafeArray array(::SafeArrayCreate(VT_BSTR, 1, &bound));
    if (!array) return array;
    BSTR* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)))) {
        for (size_t i = 0; i < values.size(); ++i) data[i] = MakeBstr(values[i]).release();
        ::SafeArrayUnaccessData(array.get());
    }
    return array;
}

size_t WrongElementTypeCount() { return sizeof(kElementTypes) / sizeof(kElementTypes[0]) - 1; }

tesk::UniqueSafeArray MakeWrongElementType(size_t index, VARTYPE wanted) {
    // The list holds both wanted types; the one asked for is skipped.
    std::vector<VARTYPE> wrong;
    for (VARTYPE type : kElementTypes)
        if (type != wanted) wrong.push_back(type);
    SAFEARRAYBOUND bound = {3, 0};
    return tesk::UniqueSafeArray(::SafeArrayCreate(wrong[index % wrong.size()], 1, &bound));
}

tesk::UniqueSafeArray MakeManyDimensions(VARTYPE type, UINT dimensions) {
    SAFEARRAYBOUND bounds[3] = {{2, 0}, {3, 1}, {2, 0}};
    return tesk::UniqueSafeArray(::SafeArrayCreate(type, dimensions, bounds));
}

tesk::UniqueSafeArray MakeWrappingBounds(VARTYPE type) {
    SAFEARRAYBOUND bound = {3, LONG_MAX - 1};
    return tesk::UniqueSafeArray(::SafeArrayCreate(type, 1, &bound));
}

}  // namespace stress
