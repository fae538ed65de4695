#include "teskctl/failure.h"

#include <oleauto.h>

#include <cstdio>

#include "diagnostics/error_text.h"
#include "support/unique_resource.h"

namespace teskctl {

namespace {
constexpr HRESULT kServerUnavailable = static_cast<HRESULT>(0x800706BA);  // RPC_S_SERVER_UNAVAILABLE
constexpr HRESULT kCallFailedDne = static_cast<HRESULT>(0x800706BF);      // RPC_S_CALL_FAILED_DNE
constexpr HRESULT kRunAsLogonFailure = static_cast<HRESULT>(0x8000401A);  // CO_E_RUNAS_LOGONFAILURE

// The description a failing call left as error information, when it did.
std::wstring PendingErrorDescription() {
    tesk::UniqueComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return {};
    tesk::UniqueSysString description;
    info->GetDescription(description.put());
    return description ? description.get() : L"";
}
}  // namespace

std::wstring HexText(unsigned long value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", value);
    return text;
}

std::string HexJson(HRESULT hr) {
    char text[16];
    std::snprintf(text, 16, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::wstring HresultText(HRESULT hr) {
    constexpr DWORD kFlags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    tesk::UniqueLocalMem text;
    ::FormatMessageW(kFlags, nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    if (!text) text.reset(com_eh::FallbackMessage(hr));
    if (!text) return HexText(static_cast<unsigned long>(hr));
    std::wstring out = static_cast<wchar_t*>(text.get());
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out;
}

std::wstring HintFor(HRESULT hr) {
    switch (hr) {
    case E_ACCESSDENIED:
        return L"the launch and access permissions of the agent's AppID "
               L"{6B1D3EB3-52C7-4A19-9E0B-7D2F5A8C1E34} do not admit this account; "
               L"`teskctl doctor` shows them";
    case kServerUnavailable:
    case kCallFailedDne:
        return L"the node cannot be reached: check its name, that it is up, and that a "
               L"firewall lets DCOM through (port 135 and the dynamic RPC ports)";
    case REGDB_E_CLASSNOTREG:
        return L"the agent is not registered on this node: install it "
               L"(TeskInstall install-agent) and run `teskctl doctor`";
    case kRunAsLogonFailure:
        return L"the agent's run-as identity cannot log on: check the account and its "
               L"password in the AppID's RunAs setting (the administrator-account library "
               L"sets it at registration)";
    default:
        return {};
    }
}

int ExitCodeFor(HRESULT hr) {
    switch (hr) {
    case E_ACCESSDENIED:
    case RPC_E_ACCESS_DENIED:
        return kExitAccessDenied;
    case REGDB_E_CLASSNOTREG:
    case kServerUnavailable:
    case kCallFailedDne:
    case kRunAsLogonFailure:
    case CO_E_SERVER_EXEC_FAILURE:
    case RPC_E_TIMEOUT:
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
        return kExitUnreachable;
    default:
        return kExitOtherFailure;
    }
}

void ThrowCallFailure(const std::wstring& what, HRESULT hr) {
    std::wstring message = HresultText(hr);
    const std::wstring description = PendingErrorDescription();
    if (!description.empty() && description != message) message += L" (" + description + L")";
    ThrowFailureWithHresult(what, hr, message, ExitCodeFor(hr));
}

void ThrowFailure(const std::wstring& what, const std::wstring& message, const std::wstring& hint,
                  int exitCode) {
    Failure failure;
    failure.what = what;
    failure.message = message;
    failure.hint = hint;
    failure.exitCode = exitCode;
    throw failure;
}

void ThrowFailureWithHresult(const std::wstring& what, HRESULT hr, const std::wstring& message,
                             int exitCode) {
    Failure failure;
    failure.what = what;
    failure.hasHresult = true;
    failure.hr = hr;
    failure.message = message;
    failure.hint = HintFor(hr);
    failure.exitCode = exitCode;
    throw failure;
}

}  // namespace teskctl
