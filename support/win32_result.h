#pragma once
// The one rule by which a Win32 code becomes an HRESULT: 0 stays 0 (S_OK), any
// other code becomes (code AND 0xFFFF) OR 0x80070000. Registry and system error
// codes, the thread's last-error value and the code of a machine fault (an
// access violation, 0xC0000005, becomes 0x80070005) all go through it.

#include <windows.h>

namespace tesk {

constexpr HRESULT Win32Result(DWORD code) {
    return code == ERROR_SUCCESS ? S_OK : static_cast<HRESULT>((code & 0xFFFFu) | 0x80070000u);
}

// For a call that has just failed and tells why through the thread's last-error
// value. Some calls fail without setting it; reporting 0 would turn that failure
// into success for the caller, so it becomes E_FAIL.
inline HRESULT LastErrorResult() {
    const DWORD code = ::GetLastError();
    return code == ERROR_SUCCESS ? E_FAIL : Win32Result(code);
}

}  // namespace tesk
