#include "TeskAgent/diagnostics/error_info.h"

namespace tesk_test {

tesk::UniqueComPtr<IErrorInfo> MakeErrorInfo(const wchar_t* description, const wchar_t* source,
                                             const GUID& guid) {
    tesk::UniqueComPtr<ICreateErrorInfo> create;
    tesk::UniqueComPtr<IErrorInfo> info;
    if (FAILED(::CreateErrorInfo(create.put()))) return info;
    create->SetDescription(const_cast<LPOLESTR>(description));
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetGUID(guid);
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()));
    return info;
}

void SetPendingErrorInfo(const wchar_t* description, const wchar_t* source, const GUID& guid) {
    ::SetErrorInfo(0, MakeErrorInfo(description, source, guid).get());
}

PendingErrorInfo TakePendingErrorInfo() {
    PendingErrorInfo pending;
    tesk::UniqueComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return pending;
    pending.present = true;
    tesk::UniqueSysString text;
    if (SUCCEEDED(info->GetDescription(text.put())) && text.get())
        pending.description = text.get();
    if (SUCCEEDED(info->GetSource(text.put())) && text.get()) pending.source = text.get();
    info->GetGUID(&pending.guid);
    return pending;
}

}  // namespace tesk_test
