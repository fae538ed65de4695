#pragma once
// The named ways to return a failure instead of raising it (the convention is
// written at the top of diagnostics/com_eh.h). Each site says which it is.

#include "support/win32_result.h"

// Returns the HRESULT of expr when it failed.
#define TESK_RETURN_IF_FAILED(expr)                              \
    do {                                                         \
        const HRESULT tesk_returned_hr_ = (expr);                \
        if (FAILED(tesk_returned_hr_)) return tesk_returned_hr_; \
    } while (0)

// Returns hr when condition holds (a missing out-pointer, a bad argument).
#define TESK_RETURN_IF(condition, hr) \
    do {                              \
        if (condition) return (hr);   \
    } while (0)

// Returns the thread's last Win32 error as an HRESULT (E_FAIL when it is 0)
// when condition holds: for a system call that has just failed.
#define TESK_RETURN_LAST_ERROR_IF(condition)             \
    do {                                                 \
        if (condition) return ::tesk::LastErrorResult(); \
    } while (0)
