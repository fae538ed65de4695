#include "dcomconfig/principal_sid.h"

#include <lm.h>

#include <cwchar>
#include <string>
#include <vector>

#include "dcomconfig/win32_result.h"

namespace {
const wchar_t kNtAuthorityPrefix[] = L"NT Authority\\";
constexpr size_t kNtAuthorityPrefixChars = 13;

HRESULT WorldSid(HeapBlock& sid) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    tesk::UniqueAllocatedSid built;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                    built.put()))
        return LastErrorResult();
    return CopySidToHeap(built.get(), sid);
}

// The system that knows the domain's accounts: a domain controller of it,
// without the two leading backslashes of its name.
HRESULT DomainControllerName(const std::wstring& domain, std::wstring& controller) {
    tesk::UniqueNetApiBuffer name;
    NET_API_STATUS status =
        ::NetGetDCName(nullptr, domain.c_str(), reinterpret_cast<BYTE**>(name.put()));
    if (status != NERR_Success) return Win32Result(status);
    const wchar_t* text = static_cast<const wchar_t*>(name.get());
    while (*text == L'\\') ++text;
    controller = text;
    return S_OK;
}
}  // namespace

HRESULT CopySidToHeap(PSID source, HeapBlock& sid) {
    if (!source || !::IsValidSid(source)) return E_INVALIDARG;
    DWORD length = ::GetLengthSid(source);
    HeapBlock copy = AllocateHeapBlock(length);
    if (!copy) return E_OUTOFMEMORY;
    if (!::CopySid(length, copy.get(), source)) return LastErrorResult();
    sid = std::move(copy);
    return S_OK;
}

HRESULT GetProcessUserSid(HeapBlock& sid) {
    tesk::UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return LastErrorResult();
    DWORD bytes = 0;
    if (::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return LastErrorResult();
    HeapBlock user = AllocateHeapBlock(bytes);
    if (!user) return E_OUTOFMEMORY;
    if (!::GetTokenInformation(token.get(), TokenUser, user.get(), bytes, &bytes))
        return LastErrorResult();
    return CopySidToHeap(static_cast<TOKEN_USER*>(user.get())->User.Sid, sid);
}

HRESULT LookupPrincipalSid(const wchar_t* principal, HeapBlock& sid) {
    if (!principal) return E_INVALIDARG;
    if (std::wcslen(principal) >= kPrincipalNameChars) return E_INVALIDARG;
    std::wstring name = principal;
    if (::_wcsnicmp(name.c_str(), kNtAuthorityPrefix, kNtAuthorityPrefixChars) == 0)
        name.erase(0, kNtAuthorityPrefixChars);

    // The world account has a localised name; its SID is the same everywhere.
    if (::lstrcmpiW(name.c_str(), L"Everyone") == 0) return WorldSid(sid);

    std::wstring system, account = name;
    size_t backslash = name.find(L'\\');
    if (backslash != std::wstring::npos) {
        HRESULT hr = DomainControllerName(name.substr(0, backslash), system);
        if (FAILED(hr)) return hr;
        account = name.substr(backslash + 1);
    }
    const wchar_t* systemName = system.empty() ? nullptr : system.c_str();

    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    if (::LookupAccountNameW(systemName, account.c_str(), nullptr, &sidBytes, nullptr,
                             &domainChars, &use) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return LastErrorResult();
    HeapBlock found = AllocateHeapBlock(sidBytes);
    if (!found) return E_OUTOFMEMORY;
    std::vector<wchar_t> domain(domainChars + 1);
    if (!::LookupAccountNameW(systemName, account.c_str(), found.get(), &sidBytes, domain.data(),
                              &domainChars, &use))
        return LastErrorResult();
    sid = std::move(found);
    return S_OK;
}
