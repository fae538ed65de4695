#pragma once
// How TeskCtl fails: what could not be done, the HRESULT (when there is one)
// with its text, a hint for the usual DCOM failures, and the exit code.

#include <windows.h>

#include <string>

namespace teskctl {

// Exit codes (docs/teskctl.md).
enum ExitCode : int {
    kExitSuccess = 0,
    kExitUsage = 1,
    kExitUnknownServer = 2,
    kExitAccessDenied = 3,
    kExitUnreachable = 4,
    kExitOtherFailure = 5,
};

struct Failure {
    std::wstring what;      // "StartServer(\"X\")", "creating the agent", ...
    bool hasHresult = false;
    HRESULT hr = S_OK;
    std::wstring message;   // what went wrong, in words
    std::wstring hint;      // empty when there is none
    int exitCode = kExitOtherFailure;
};

// A failed call: its HRESULT decides the text, the hint and the exit code; the
// error information the call left on the thread, if any, is added to the text.
[[noreturn]] void ThrowCallFailure(const std::wstring& what, HRESULT hr);
// A failure that is not an HRESULT (an unknown server, a wait that ran out).
[[noreturn]] void ThrowFailure(const std::wstring& what, const std::wstring& message,
                               const std::wstring& hint, int exitCode);
// A failure with an HRESULT but TeskCtl's own words.
[[noreturn]] void ThrowFailureWithHresult(const std::wstring& what, HRESULT hr,
                                          const std::wstring& message, int exitCode);

std::wstring HexText(unsigned long value);  // "0x80070005"
std::string HexJson(HRESULT hr);            // the same, for JSON documents
// The system's message for hr, or the agent's own fallback text where the
// system has none ("Unknown error 0x...", "IDispatch error #n").
std::wstring HresultText(HRESULT hr);
std::wstring HintFor(HRESULT hr);
int ExitCodeFor(HRESULT hr);

}  // namespace teskctl
