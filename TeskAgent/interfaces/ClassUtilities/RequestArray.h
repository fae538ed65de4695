#pragma once
// The request arrays that clients pass to the server-information methods: one
// dimension of a given element type, with any lower bound.

#include <windows.h>
#include <oleauto.h>

namespace TeskAgentHelpers {

// Whether the array is a request of `type`: elements of that type, each
// `elementBytes` long (the size of that type in this build), checked first;
// then one dimension whose every index fits a LONG, so that element reads take
// exactly one index and no index wraps. A failure to read the element type is
// raised with its HRESULT.
bool IsRequestOf(SAFEARRAY* array, VARTYPE type, UINT elementBytes);

// The indexes of a request, computed in 64 bits: [lower, lower + count).
struct RequestBounds {
    LONGLONG lower;
    LONGLONG count;
};

// Bounds of the only dimension of an array that IsRequestOf accepted; a
// failure to read the lower bound is raised.
RequestBounds BoundsOf(SAFEARRAY* array);

}  // namespace TeskAgentHelpers
