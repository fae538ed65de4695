#include "admin_account/configured_account.h"

#include <vector>

#include "admin_account/Wardlow.h"

namespace {
constexpr DWORD kNameChars = 256;

// The account's SID, then its name and domain as the system spells them, so
// that RunAs names it the way the service control manager logs it on.
bool CanonicalName(const std::wstring& configured, std::wstring& canonical, DWORD& error) {
    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    if (::LookupAccountNameW(nullptr, configured.c_str(), nullptr, &sidBytes, nullptr,
                             &domainChars, &use) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        error = ::GetLastError();
        return false;
    }
    std::vector<BYTE> sid(sidBytes);
    std::vector<wchar_t> domain(domainChars + 1);
    if (!::LookupAccountNameW(nullptr, configured.c_str(), sid.data(), &sidBytes, domain.data(),
                              &domainChars, &use)) {
        error = ::GetLastError();
        return false;
    }
    wchar_t name[kNameChars] = {}, sidDomain[kNameChars] = {};
    DWORD nameChars = kNameChars, sidDomainChars = kNameChars;
    if (!::LookupAccountSidW(nullptr, sid.data(), name, &nameChars, sidDomain, &sidDomainChars,
                             &use)) {
        error = ::GetLastError();
        return false;
    }
    canonical = sidDomain[0] ? std::wstring(sidDomain) + L"\\" + name : std::wstring(name);
    return true;
}
}  // namespace

int ReadConfiguredAccount(ConfiguredAccount& account, DWORD& error) {
    wchar_t configured[kNameChars] = {};
    DWORD bytes = sizeof(configured);
    LONG code = ::RegGetValueW(HKEY_LOCAL_MACHINE, WARDLOW_ADMIN_USER_KEY,
                               WARDLOW_ACCOUNT_NAME_VALUE, RRF_RT_REG_SZ, nullptr, configured,
                               &bytes);
    if (code != ERROR_SUCCESS) {
        error = static_cast<DWORD>(code);
        return WARDLOW_NOT_CONFIGURED;
    }
    if (configured[0] == L'\0') {
        error = ERROR_NOT_FOUND;
        return WARDLOW_NOT_CONFIGURED;
    }
    if (!CanonicalName(configured, account.runAsName, error)) return WARDLOW_UNKNOWN_ACCOUNT;
    return WARDLOW_OK;
}
