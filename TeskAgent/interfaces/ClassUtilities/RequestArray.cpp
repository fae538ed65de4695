#include "interfaces/ClassUtilities/RequestArray.h"

#include "diagnostics/com_eh.h"

namespace TeskAgentHelpers {

bool HasElementsOf(SAFEARRAY* array, VARTYPE type, UINT elementBytes) {
    if (::SafeArrayGetElemsize(array) != elementBytes) return false;
    VARTYPE held = VT_EMPTY;
    HRESULT hr = ::SafeArrayGetVartype(array, &held);
    if (FAILED(hr)) TESK_RAISE(hr);
    return held == type;
}

RequestBounds BoundsOf(SAFEARRAY* array) {
    RequestBounds bounds{};
    HRESULT hr = ::SafeArrayGetLBound(array, 1, &bounds.lower);
    if (FAILED(hr)) TESK_RAISE(hr);
    hr = ::SafeArrayGetUBound(array, 1, &bounds.upper);
    if (FAILED(hr)) TESK_RAISE(hr);
    return bounds;
}

}  // namespace TeskAgentHelpers
