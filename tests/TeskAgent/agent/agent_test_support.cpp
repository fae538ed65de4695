#include "agent_test_support.h"

#include "support/test_support.h"

namespace agent_test {

VARIANT UnknownVariant(IUnknown* object) {
    VARIANT value;
    ::VariantInit(&value);
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = object;
    return value;
}

ArrayShape ShapeOf(SAFEARRAY* array) {
    ArrayShape shape;
    if (!array) return shape;
    ::SafeArrayGetVartype(array, &shape.type);
    shape.dims = ::SafeArrayGetDim(array);
    LONG upper = -1;
    ::SafeArrayGetLBound(array, 1, &shape.lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    shape.count = static_cast<ULONG>(upper - shape.lower + 1);
    return shape;
}

std::vector<std::wstring> Strings(SAFEARRAY* array) {
    std::vector<std::wstring> out;
    for (ULONG i = 0; i < ShapeOf(array).count; ++i) {
        LONG index = static_cast<LONG>(i);
        tesk::UniqueSysString element;
        ::SafeArrayGetElement(array, &index, element.put());
        out.push_back(element ? element.get() : L"<null>");
    }
    return out;
}

std::vector<LONG> Longs(SAFEARRAY* array) {
    std::vector<LONG> out;
    for (ULONG i = 0; i < ShapeOf(array).count; ++i) {
        LONG index = static_cast<LONG>(i), value = 0;
        ::SafeArrayGetElement(array, &index, &value);
        out.push_back(value);
    }
    return out;
}

}  // namespace agent_test
