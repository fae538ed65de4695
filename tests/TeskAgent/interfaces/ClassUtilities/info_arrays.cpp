#include "TeskAgent/interfaces/ClassUtilities/info_arrays.h"

namespace info_test {

tesk::UniqueSafeArray LongArray(const std::vector<LONG>& values, LONG lowerBound) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    tesk::UniqueSafeArray array(::SafeArrayCreate(VT_I4, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        LONG value = values[i];
        ::SafeArrayPutElement(array.get(), &index, &value);
    }
    return array;
}

tesk::UniqueSafeArray StringArray(const std::vector<std::wstring>& values) {
    tesk::UniqueSafeArray array(::SafeArrayCreateVector(VT_BSTR, 0, values.size()));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        tesk::UniqueSysString text(::SysAllocString(values[i].c_str()));
        ::SafeArrayPutElement(array.get(), &i, text.get());
    }
    return array;
}

tesk::UniqueSafeArray ArrayOfType(VARTYPE type, ULONG count) {
    tesk::UniqueSafeArray array(::SafeArrayCreateVector(type, 0, count));
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        LONGLONG value = i + 1;  // little-endian: the low bytes carry the number
        ::SafeArrayPutElement(array.get(), &i, &value);
    }
    return array;
}

Answers TakeAnswers(SAFEARRAY* values, SAFEARRAY* errors) {
    tesk::UniqueSafeArray valueOwner(values), errorOwner(errors);
    Answers answers;
    if (!values || !errors) return answers;
    VARTYPE type = VT_EMPTY;
    ::SafeArrayGetVartype(values, &type);
    LONG lower = 0, upper = -1;
    ::SafeArrayGetLBound(values, 1, &lower);
    ::SafeArrayGetUBound(values, 1, &upper);
    answers.lowerBound = lower;
    for (LONG i = lower; i <= upper; ++i) {
        if (type == VT_VARIANT) {
            tesk::UniqueVariant value;
            ::SafeArrayGetElement(values, &i, value.get());
            answers.types.push_back(value->vt);
            answers.texts.push_back(value->vt == VT_BSTR && value->bstrVal ? value->bstrVal : L"");
            answers.longs.push_back(value->vt == VT_I4 ? value->lVal : 0);
        } else {
            tesk::UniqueSysString text;
            ::SafeArrayGetElement(values, &i, text.put());
            answers.types.push_back(VT_BSTR);
            answers.texts.push_back(text.get() ? text.get() : L"");
        }
    }
    ::SafeArrayGetLBound(errors, 1, &lower);
    ::SafeArrayGetUBound(errors, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        LONG error = 0;
        ::SafeArrayGetElement(errors, &i, &error);
        answers.errors.push_back(error);
    }
    return answers;
}

}  // namespace info_test
