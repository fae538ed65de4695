#pragma once
// Request arrays for the server-information methods and readers of their answers.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "support/unique_resource.h"

namespace info_test {

tesk::UniqueSafeArray LongArray(const std::vector<LONG>& values, LONG lowerBound = 0);
tesk::UniqueSafeArray StringArray(const std::vector<std::wstring>& values);
// An array of `type` elements holding the numbers 1, 2, ...
tesk::UniqueSafeArray ArrayOfType(VARTYPE type, ULONG count);

struct Answers {
    std::vector<VARTYPE> types;
    std::vector<std::wstring> texts;  // VT_BSTR elements (or string elements)
    std::vector<LONG> longs;          // VT_I4 elements
    std::vector<LONG> errors;
    LONG lowerBound = -1;
};
// Reads a VARIANT or BSTR answer array and its parallel error array, and
// destroys both.
Answers TakeAnswers(SAFEARRAY* values, SAFEARRAY* errors);

}  // namespace info_test
