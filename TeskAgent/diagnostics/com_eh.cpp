#include "diagnostics/com_eh.h"

#include "diagnostics/debug_prompt.h"
#include "diagnostics/log_client.h"

namespace com_eh {

namespace {
bool ErrorRecordsOn() {
    CLogClient& log = CLogClient::Instance();
    return log.IsFlagOn(log.GetLogFlag(LOG_INDEX_ERROR));
}

// The record goes out as "%s" so that a '%' inside the text stays text.
void LogRecord(const _bstr_t& text) {
    CLogClient::Instance().LogError(L"%s", static_cast<const wchar_t*>(text));
}
}  // namespace

com_error_dbg::com_error_dbg(HRESULT hr, IErrorInfo* errorInfo, const wchar_t* operation,
                             const char* file, int line)
    : _com_error(hr, errorInfo, true),
      operation_(operation ? operation : L""),
      file_(file),
      line_(line) {}

// ErrorInfo() hands out a new reference, which the base takes over.
com_error_dbg::com_error_dbg(const _com_error& other)
    : _com_error(other.Error(), other.ErrorInfo(), false) {}

com_error_dbg::com_error_dbg(const com_error_dbg& other)
    : _com_error(other), operation_(other.operation_), file_(other.file_), line_(other.line_) {}

com_error_dbg::~com_error_dbg() = default;

HRESULT com_error_dbg::report() const {
    // ErrorInfo() hands out a new reference; SetErrorInfo takes one of its own.
    tesk::UniqueComPtr<IErrorInfo> info(ErrorInfo());
    if (info) ::SetErrorInfo(0, info.get());
    return Error();
}

com_error_dbg make_error(HRESULT hr, describe_kind kind, const wchar_t* operation,
                         const char* file, int line) {
    tesk::UniqueComPtr<IErrorInfo> pending;
    // Fetching clears the thread's pending information; only S_OK means there was some.
    if (::GetErrorInfo(0, pending.put()) != S_OK) pending.reset();
    // The error takes a reference of its own.
    com_error_dbg error(hr, pending.get(), operation, file, line);
    pending.reset();
    if (ErrorRecordsOn()) LogRecord(error.describe(kind, nullptr, 0));
    return error;
}

void raise_error(HRESULT hr, const wchar_t* operation, const char* file, int line) {
    const bool prompt = DebugPromptWanted();
    com_error_dbg error = make_error(hr, raised, operation, file, line);
    if (prompt) ShowDebugPrompt(error);
    throw error;
}

void log_caught(const com_error_dbg& e, const char* file, int line) {
    if (ErrorRecordsOn()) LogRecord(e.describe(caught, file, line));
}

void log_caught(const _com_error& e, const char* file, int line) {
    if (ErrorRecordsOn()) LogRecord(com_error_dbg(e).describe(caught, file, line));
}

translator_guard::translator_guard() : previous_(set_se_translator(se_translator)) {
    // Error information left on the thread by earlier work must not reach this call's client.
    tesk::UniqueComPtr<IErrorInfo> stale;
    ::GetErrorInfo(0, stale.put());
}

translator_guard::~translator_guard() { set_se_translator(previous_); }

void se_translator(unsigned int, EXCEPTION_POINTERS* info) {
    if (!info || !info->ExceptionRecord) raise_error(E_POINTER, nullptr, nullptr, 0);
    raise_error(tesk::Win32Result(info->ExceptionRecord->ExceptionCode), nullptr, nullptr, 0);
}

}  // namespace com_eh
