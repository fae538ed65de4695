#include "diagnostics/com_eh.h"

#include "diagnostics/log_client.h"

namespace com_eh {

com_error_dbg::com_error_dbg(HRESULT hr, IErrorInfo* errorInfo, const wchar_t* operation,
                             const char* file, int line)
    : _com_error(hr, errorInfo, true),
      operation_(operation ? operation : L""),
      file_(file),
      line_(line) {}

com_error_dbg::com_error_dbg(const _com_error& other)
    : _com_error(other.Error(), other.ErrorInfo(), false) {}

com_error_dbg::com_error_dbg(const com_error_dbg& other)
    : _com_error(other), operation_(other.operation_), file_(other.file_), line_(other.line_) {}

com_error_dbg::~com_error_dbg() {
    if (message_) ::LocalFree(message_);
}

HRESULT com_error_dbg::report() const {
    if (IErrorInfo* info = ErrorInfo()) {
        ::SetErrorInfo(0, info);
        info->Release();
    }
    return Error();
}

com_error_dbg make_error(HRESULT hr, describe_kind kind, const wchar_t* operation,
                         const char* file, int line) {
    IErrorInfo* pending = nullptr;
    if (::GetErrorInfo(0, &pending) != S_OK && pending) {
        pending->Release();
        pending = nullptr;
    }
    com_error_dbg error(hr, pending, operation, file, line);
    if (pending) pending->Release();
    GuardedLogError(L"%s", static_cast<const wchar_t*>(error.describe(kind, nullptr, 0)));
    return error;
}

void log_caught(const com_error_dbg& e, const char* file, int line) {
    GuardedLogError(L"%s", static_cast<const wchar_t*>(e.describe(caught, file, line)));
}

}  // namespace com_eh
