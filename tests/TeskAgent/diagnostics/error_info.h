#pragma once
// Making and reading the thread's pending COM error information in tests.

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "support/unique_resource.h"

namespace tesk_test {

inline tesk::UniqueComPtr<IErrorInfo> MakeErrorInfo(const wchar_t* description,
                                                    const wchar_t* source,
                                                    const GUID& guid = GUID_NULL) {
    tesk::UniqueComPtr<ICreateErrorInfo> create;
    tesk::UniqueComPtr<IErrorInfo> info;
    if (FAILED(::CreateErrorInfo(create.put()))) return info;
    create->SetDescription(const_cast<LPOLESTR>(description));
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetGUID(guid);
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()));
    return info;
}

// Leaves error information with this description and source on the thread.
inline void SetPendingErrorInfo(const wchar_t* description, const wchar_t* source) {
    ::SetErrorInfo(0, MakeErrorInfo(description, source).get());
}

struct PendingErrorInfo {
    bool present = false;
    std::wstring description;
    std::wstring source;
    GUID guid = GUID_NULL;
};

// Takes the thread's pending error information (which clears it).
inline PendingErrorInfo TakePendingErrorInfo() {
    PendingErrorInfo pending;
    tesk::UniqueComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return pending;
    pending.present = true;
    tesk::UniqueSysString text;
    if (SUCCEEDED(info->GetDescription(text.put())) && text.get()) pending.description = text.get();
    if (SUCCEEDED(info->GetSource(text.put())) && text.get()) pending.source = text.get();
    info->GetGUID(&pending.guid);
    return pending;
}

}  // namespace tesk_test
