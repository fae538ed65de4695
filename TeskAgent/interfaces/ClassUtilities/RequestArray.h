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

// Bounds of the first dimension; a failure to read either is raised.
struct RequestBounds {
    LONG lower;
    LONG upper;
};
RequestBounds BoundsOf(SAFEARRAY* array);

}  // namespace TeskAgentHelpers
