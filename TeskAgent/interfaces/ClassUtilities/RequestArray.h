#pragma once
// The request arrays that clients pass to the server-information methods: one
// dimension of a given element type, with any lower bound.

#include <windows.h>
#include <oleauto.h>

namespace TeskAgentHelpers {

// Whether the array holds elements of `type`, each `elementBytes` long (the
// size of that type in this build). A failure to read the element type is
// raised with its HRESULT.
bool HasElementsOf(SAFEARRAY* array, VARTYPE type, UINT elementBytes);

// The indexes of a request, computed in 64 bits: [lower, lower + count).
struct RequestBounds {
    LONGLONG lower;
    LONGLONG count;
};

// Whether the array is one request: one dimension whose every index fits a
// LONG. Element reads then take exactly one index, and no index wraps.
bool IsOneRequest(SAFEARRAY* array);

// Bounds of the only dimension of an array that IsOneRequest accepted; a
// failure to read the lower bound is raised.
RequestBounds BoundsOf(SAFEARRAY* array);

}  // namespace TeskAgentHelpers
