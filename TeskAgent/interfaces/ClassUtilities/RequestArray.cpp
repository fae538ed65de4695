#include "interfaces/ClassUtilities/RequestArray.h"

#include <climits>

#include "diagnostics/com_eh.h"

namespace TeskAgentHelpers {

namespace {

bool HasElementsOf(SAFEARRAY* array, VARTYPE type, UINT elementBytes) {
    if (::SafeArrayGetElemsize(array) != elementBytes) return false;
    VARTYPE held = VT_EMPTY;
    HRESULT hr = ::SafeArrayGetVartype(array, &held);
    if (FAILED(hr)) TESK_RAISE(hr);
    return held == type;
}

bool IsOneRequest(SAFEARRAY* array) {
    // Element reads pass one index; a second dimension would take its index
    // from whatever lies beside it.
    if (::SafeArrayGetDim(array) != 1) return false;
    // The upper bound that SafeArrayGetUBound would compute in 32 bits can
    // wrap; the last index must itself be a LONG.
    const SAFEARRAYBOUND& bound = array->rgsabound[0];
    return static_cast<LONGLONG>(bound.lLbound) + bound.cElements - 1 <= LONG_MAX;
}

}  // namespace

bool IsRequestOf(SAFEARRAY* array, VARTYPE type, UINT elementBytes) {
    return HasElementsOf(array, type, elementBytes) && IsOneRequest(array);
}

RequestBounds BoundsOf(SAFEARRAY* array) {
    LONG lower = 0;
    HRESULT hr = ::SafeArrayGetLBound(array, 1, &lower);
    if (FAILED(hr)) TESK_RAISE(hr);
    return {lower, static_cast<LONGLONG>(array->rgsabound[0].cElements)};
}

}  // namespace TeskAgentHelpers
