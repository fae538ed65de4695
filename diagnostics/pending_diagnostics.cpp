// Minimal diagnostics so that the server spine links; replaced by the logger
// client, the record texts, the debug prompt and the fault translator.
#include "diagnostics/com_eh.h"
#include "diagnostics/log_client.h"

CLogClient& CLogClient::Instance() {
    static CLogClient client;
    return client;
}
bool CLogClient::EnsureRegistered() { return false; }
DWORD CLogClient::GetLogFlag(int32_t) { return 0; }
bool CLogClient::IsFlagOn(DWORD) { return false; }
DWORD CLogClient::RegisterLogFlag(DWORD, const wchar_t*) { return 0; }
bool CLogClient::HasEntryPoint(const char*) const { return false; }
void CLogClient::LogError(const wchar_t*, ...) {}
void CLogClient::LogWarning(const wchar_t*, ...) {}
void CLogClient::LogTrace(const wchar_t*, ...) {}
void CLogClient::CleanUp() {}

namespace com_eh {
_bstr_t com_error_dbg::describe(describe_kind, const char*, int) const { return L""; }
const wchar_t* com_error_dbg::ErrorMessage() const { return L""; }
void raise_error(HRESULT hr, const wchar_t* operation, const char* file, int line) {
    throw make_error(hr, raised, operation, file, line);
}
translator_guard::translator_guard() : previous_(nullptr) {
    IErrorInfo* stale = nullptr;
    if (::GetErrorInfo(0, &stale) == S_OK && stale) stale->Release();
}
translator_guard::~translator_guard() {}
void se_translator(unsigned int, EXCEPTION_POINTERS*) { raise_error(E_POINTER, nullptr, nullptr, 0); }
se_translator_function set_se_translator(se_translator_function) { return nullptr; }
}  // namespace com_eh
