#pragma once
// How the DCOM configuration reports Win32 failures: as HRESULTs of the Win32
// facility, (code AND 0xFFFF) OR 0x80070000.

#include <windows.h>

inline HRESULT Win32Result(DWORD code) {
    return code == ERROR_SUCCESS ? S_OK : static_cast<HRESULT>((code & 0xFFFF) | 0x80070000);
}

// For a call that has just failed and tells why through the thread's last-error
// value. Some calls fail without setting it; reporting 0 would turn that failure
// into success for the caller, so it becomes E_FAIL.
inline HRESULT LastErrorResult() {
    DWORD code = ::GetLastError();
    return code == ERROR_SUCCESS ? E_FAIL : Win32Result(code);
}
