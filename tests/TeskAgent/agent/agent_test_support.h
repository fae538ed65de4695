#pragma once
// Shared by the agent tests: VARIANTs of test objects and array readers.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace agent_test {

using tesk_test::ScopedTestClass;

inline constexpr wchar_t kTeskServerCategory[] = L"{5E2A9C14-3B7D-4F08-9A61-C47D2E8B0F53}";

VARIANT UnknownVariant(IUnknown* object);  // VT_UNKNOWN without a reference of its own

struct ArrayShape {
    VARTYPE type = VT_EMPTY;
    UINT dims = 0;
    LONG lower = -1;
    ULONG count = 0;
};
ArrayShape ShapeOf(SAFEARRAY* array);
std::vector<std::wstring> Strings(SAFEARRAY* array);  // a null element as "<null>"
std::vector<LONG> Longs(SAFEARRAY* array);

}  // namespace agent_test
