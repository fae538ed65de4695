#pragma once
// The error-handling framework, and the agent's one way to report a failure.
//
// A failure is either RAISED or RETURNED, and every site says which:
// - Raised: TESK_RAISE(hr) / TESK_RAISE_OP(hr, L"operation") inside a method
//   frame (TESK_METHOD_FRAME). The raise writes an error record, keeps the error
//   information pending on the thread, and the frame turns it into the method's
//   HRESULT, hands the error information to the client and writes a second
//   record. Machine faults inside a frame are raised the same way.
// - Returned: the HRESULT goes back without a record and without error
//   information, through the macros of diagnostics/returned_failure.h:
//   TESK_RETURN_IF_FAILED(expr), TESK_RETURN_IF(condition, hr),
//   TESK_RETURN_LAST_ERROR_IF(condition). A method that returns where it could
//   raise (a missing out-pointer of GetInstalledServers, say) does so by its
//   contract, and says so in a short comment at that site.
// Helpers whose failure has a cause return an HRESULT; a Win32 or system code
// becomes one only through tesk::Win32Result / tesk::LastErrorResult
// (support/win32_result.h). The frame sits at the COM method boundaries and at
// the inner operations whose records name TeskAgentHelpers; nowhere else.

#include <windows.h>
#include <comdef.h>

#include "diagnostics/returned_failure.h"
#include "support/unique_resource.h"

namespace com_eh {

enum describe_kind { raised = 0, caught = 1, logged = 2 };

class com_error_dbg : public _com_error {
public:
    com_error_dbg(HRESULT hr, IErrorInfo* errorInfo, const wchar_t* operation, const char* file,
                  int line);
    explicit com_error_dbg(const _com_error& other);
    com_error_dbg(const com_error_dbg& other);
    com_error_dbg& operator=(const com_error_dbg&) = delete;
    virtual ~com_error_dbg();

    // The record text: what failed, who reported it, the description, the
    // system message, the kind word and the source position.
    _bstr_t describe(describe_kind kind, const char* file, int line) const;

    // The system message text of the HRESULT, computed once per object.
    const wchar_t* ErrorMessage() const;

    // Puts the carried error information back on the thread; returns the HRESULT.
    HRESULT report() const;

    const _bstr_t& operation() const { return operation_; }
    const char* file() const { return file_; }
    int line() const { return line_; }

private:
    _bstr_t operation_;
    const char* file_ = nullptr;
    int line_ = 0;
    // The system message text, made on first use; a copy starts without it.
    mutable tesk::UniqueLocalMem message_;
};

class SuccessException {
public:
    explicit SuccessException(HRESULT hr) : hr_(hr) {}
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

[[noreturn]] void raise_error(HRESULT hr, const wchar_t* operation, const char* file, int line);
com_error_dbg make_error(HRESULT hr, describe_kind kind, const wchar_t* operation,
                         const char* file, int line);

// Installs the fault translator for the thread for its own lifetime and clears
// stale error information left on the thread.
using se_translator_function = void (*)(unsigned int, EXCEPTION_POINTERS*);

class translator_guard {
public:
    translator_guard();
    ~translator_guard();
    translator_guard(const translator_guard&) = delete;
    translator_guard& operator=(const translator_guard&) = delete;

private:
    se_translator_function previous_;
};

// Turns a machine fault into a raised com_error_dbg; never returns.
[[noreturn]] void se_translator(unsigned int code, EXCEPTION_POINTERS* info);

// Installs the calling thread's translator and returns the one installed
// before (null: faults are not translated). g++ has no _set_se_translator, so
// the agent keeps its own per-thread translator (fault_translator.cpp).
se_translator_function set_se_translator(se_translator_function translator);

// The caught record of a frame, written only while the error flag is on.
void log_caught(const com_error_dbg& e, const char* file, int line);
void log_caught(const _com_error& e, const char* file, int line);

// The method frame. file and line are the frame's own position. The guard is
// made first inside the try block and is gone (the previous translator back)
// before any catch clause runs.
template <class Body>
HRESULT method_frame(const char* file, int line, Body&& body) noexcept {
    try {
        translator_guard guard;
        return body();
    } catch (com_error_dbg& e) {
        log_caught(e, file, line);
        return e.report();
    } catch (SuccessException& e) {
        return e.result();
    } catch (_com_error& e) {
        log_caught(e, file, line);
        return com_error_dbg(e).report();
    } catch (...) {
        return make_error(E_UNEXPECTED, caught, L"perform operation -- unexpected exception", file,
                          line)
            .report();
    }
}

}  // namespace com_eh

// Runs a method body (a lambda returning HRESULT) inside the method frame.
#define TESK_METHOD_FRAME(body) ::com_eh::method_frame(__FILE__, __LINE__, body)
#define TESK_RAISE(hr) ::com_eh::raise_error((hr), nullptr, __FILE__, __LINE__)
#define TESK_RAISE_OP(hr, operation) ::com_eh::raise_error((hr), (operation), __FILE__, __LINE__)
