#include "dcomconfig/principal_sid.h"

#include <lm.h>

#include <cwchar>
#include <string>
#include <vector>

#include "diagnostics/returned_failure.h"
#include "support/win32_result.h"

namespace {
const wchar_t kNtAuthorityPrefix[] = L"NT Authority\\";
constexpr size_t kNtAuthorityPrefixChars = 13;

HRESULT WorldSid(HeapBlock& sid) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    tesk::UniqueAllocatedSid built;
    TESK_RETURN_LAST_ERROR_IF(!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0,
                                                          0, 0, 0, built.put()));
    return CopySidToHeap(built.get(), sid);
}

// The system that knows the domain's accounts: a domain controller of it,
// without the two leading backslashes of its name.
HRESULT DomainControllerName(const std::wstring& domain, std::wstring& controller) {
    tesk::UniqueNetApiBuffer name;
    NET_API_STATUS status =
        ::NetGetDCName(nullptr, domain.c_str(), reinterpret_cast<BYTE**>(name.put()));
    if (status != NERR_Success) return tesk::Win32Result(status);
    const wchar_t* text = static_cast<const wchar_t*>(name.get());
    while (*text == L'\\') ++text;
    controller = text;
    return S_OK;
}
}  // namespace

HRESULT CopySidToHeap(PSID source, HeapBlock& sid) {
    TESK_RETURN_IF(!source || !::IsValidSid(source), E_INVALIDARG);
    DWORD length = ::GetLengthSid(source);
    HeapBlock copy = AllocateHeapBlock(length);
    TESK_RETURN_IF(!copy, E_OUTOFMEMORY);
    TESK_RETURN_LAST_ERROR_IF(!::CopySid(length, copy.get(), source));
    sid = std::move(copy);
    return S_OK;
}

HRESULT GetProcessUserSid(HeapBlock& sid) {
    tesk::UniqueKernelHandle token;
    TESK_RETURN_LAST_ERROR_IF(!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
    DWORD bytes = 0;
    TESK_RETURN_LAST_ERROR_IF(::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes) ||
                              ::GetLastError() != ERROR_INSUFFICIENT_BUFFER);
    HeapBlock user = AllocateHeapBlock(bytes);
    TESK_RETURN_IF(!user, E_OUTOFMEMORY);
    TESK_RETURN_LAST_ERROR_IF(
        !::GetTokenInformation(token.get(), TokenUser, user.get(), bytes, &bytes));
    return CopySidToHeap(static_cast<TOKEN_USER*>(user.get())->User.Sid, sid);
}

HRESULT LookupPrincipalSid(const wchar_t* principal, HeapBlock& sid) {
    TESK_RETURN_IF(!principal, E_INVALIDARG);
    TESK_RETURN_IF(std::wcslen(principal) >= kPrincipalNameChars, E_INVALIDARG);
    std::wstring name = principal;
    if (::_wcsnicmp(name.c_str(), kNtAuthorityPrefix, kNtAuthorityPrefixChars) == 0)
        name.erase(0, kNtAuthorityPrefixChars);

    // The world account has a localised name; its SID is the same everywhere.
    if (::lstrcmpiW(name.c_str(), L"Everyone") == 0) return WorldSid(sid);

    std::wstring system, account = name;
    size_t backslash = name.find(L'\\');
    if (backslash != std::wstring::npos) {
        HRESULT hr = DomainControllerName(name.substr(0, backslash), system);
        TESK_RETURN_IF_FAILED(hr);
        account = name.substr(backslash + 1);
    }
    const wchar_t* systemName = system.empty() ? nullptr : system.c_str();

    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    TESK_RETURN_LAST_ERROR_IF(::LookupAccountNameW(systemName, account.c_str(), nullptr, &sidBytes,
                                                   nullptr, &domainChars, &use) ||
                              ::GetLastError() != ERROR_INSUFFICIENT_BUFFER);
    HeapBlock found = AllocateHeapBlock(sidBytes);
    TESK_RETURN_IF(!found, E_OUTOFMEMORY);
    std::vector<wchar_t> domain(domainChars + 1);
    TESK_RETURN_LAST_ERROR_IF(!::LookupAccountNameW(systemName, account.c_str(), found.get(),
                                                    &sidBytes, domain.data(), &domainChars, &use));
    sid = std::move(found);
    return S_OK;
}
