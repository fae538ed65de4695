#pragma once
// Making and reading the thread's pending COM error information in tests.

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "support/unique_resource.h"

namespace tesk_test {

tesk::UniqueComPtr<IErrorInfo> MakeErrorInfo(const wchar_t* description, const wchar_t* source,
                                             const GUID& guid = GUID_NULL);
// Leaves error information with this description and source on the thread.
void SetPendingErrorInfo(const wchar_t* description, const wchar_t* source,
                         const GUID& guid = GUID_NULL);

struct PendingErrorInfo {
    bool present = false;
    std::wstring description;
    std::wstring source;
    GUID guid = GUID_NULL;
};
// Takes the thread's pending error information (which clears it).
PendingErrorInfo TakePendingErrorInfo();

}  // namespace tesk_test
