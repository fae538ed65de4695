#include "diagnostics/debug_prompt.h"

#include <comdef.h>
#include <intrin.h>

#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"
#include "support/unique_resource.h"

namespace com_eh {

namespace {
// The value the logger gave for "BreakOnError"; 0 until it gives one, then
// kept for the life of the process. Raises come from the apartment thread.
DWORD g_breakFlag = 0;

// Registering the flag talks to the logger, which may leave or clear error
// information of its own: what was pending is put back with the same
// description and source.
void RestoreErrorInfo(const _bstr_t& description, const _bstr_t& source) {
    tesk::UniqueComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.put())) || !create) return;
    create->SetDescription(description);
    create->SetSource(source);
    tesk::UniqueComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()))) &&
        info)
        ::SetErrorInfo(0, info.get());
}
}  // namespace

bool DebugPromptWanted(CLogClient& log, DWORD& breakFlag) {
    if (breakFlag == 0) {
        bool pending = false;
        _bstr_t description, source;
        {
            tesk::UniqueComPtr<IErrorInfo> info;
            if (::GetErrorInfo(0, info.put()) == S_OK && info) {
                pending = true;
                BSTR text = nullptr;
                if (SUCCEEDED(info->GetDescription(&text))) description.Attach(text);
                text = nullptr;
                if (SUCCEEDED(info->GetSource(&text))) source.Attach(text);
            }
        }
        breakFlag = log.RegisterLogFlag(kBreakFlagNumber, kBreakFlagName);
        if (pending) RestoreErrorInfo(description, source);
    }
    if (breakFlag == 0) return false;
    return log.IsFlagOn(breakFlag);
}

bool DebugPromptWanted() { return DebugPromptWanted(CLogClient::Instance(), g_breakFlag); }

std::wstring DebugPromptText(const com_error_dbg& e) {
    _bstr_t record = e.describe(caught, nullptr, 0);
    const wchar_t* text = record;
    // Exact wording: do not correct.
    return std::wstring(text ? text : L"") + L"\nWould you like to debug this process?";
}

void ShowDebugPrompt(const com_error_dbg& e) {
    if (::MessageBoxW(nullptr, DebugPromptText(e).c_str(), nullptr, kDebugPromptStyle) == IDYES)
        __debugbreak();
}

}  // namespace com_eh
