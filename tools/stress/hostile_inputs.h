#pragma once
// Arguments of every shape a careless or hostile client could send: strings,
// VARIANTs and request arrays. Each maker hands out an owned value.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "support/unique_resource.h"

namespace stress {

// Strings: null, empty, 64 KiB of text after a prefix, text with an
// embedded null character after a prefix.
enum class Text { Null, Empty, Long64K, EmbeddedNul };
tesk::UniqueSysString MakeText(Text kind, const std::wstring& prefix);
tesk::UniqueSysString MakeBstr(const std::wstring& text);

// VARIANTs of every type but VT_UNKNOWN (what the Tesk ROT refuses), the
// index-th of them; object-holding ones refer to `object`.
size_t WrongVariantCount();
void MakeWrongVariant(size_t index, IUnknown* object, VARIANT* out);

// Request arrays. Valid: one dimension, the values given, any lower bound.
tesk::UniqueSafeArray MakeLongs(const std::vector<LONG>& values, LONG lower = 0);
tesk::UniqueSafeArray MakeStrings(const std::vector<std::wstring>& values, LONG lower = 0);

// Malformed request arrays, each the index-th of its kind:
// elements of other types than `wanted` (VT_I4 or VT_BSTR) ...
size_t WrongElementTypeCount();
tesk::UniqueSafeArray MakeWrongElementType(size_t index, VARTYPE wanted);
// ... two or three dimensions of `type` ...
tesk::UniqueSafeArray MakeManyDimensions(VARTYPE type, UINT dimensions);
// ... and a lower bound so high that the last index passes the LONG range.
tesk::UniqueSafeArray MakeWrappingBounds(VARTYPE type);

}  // namespace stress
