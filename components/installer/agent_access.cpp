#include "installer/agent_access.h"

#include <sddl.h>

#include <cstdio>

#include "TeskAgent_h.h"
#include "installer/install_steps.h"
#include "support/registry.h"
#include "support/unique_resource.h"
#include "support/win32_result.h"

namespace {

// Launch and activation: Administrators execute, local and remote launch and
// activation (0x1F); SYSTEM and INTERACTIVE execute, local launch and local
// activation only (0x0B). Access: Administrators execute, local and remote
// access (0x07); SYSTEM and INTERACTIVE local only (0x03). Owner and group
// Administrators; no entry for the user who ran the installation.
const wchar_t kLaunchEntries[] = L"O:BAG:BAD:(A;;0x1f;;;BA)(A;;0xb;;;SY)(A;;0xb;;;IU)";
const wchar_t kAccessEntries[] = L"O:BAG:BAD:(A;;0x7;;;BA)(A;;0x3;;;SY)(A;;0x3;;;IU)";
const wchar_t kGrantedLaunchRights[] = L"0x1f";
const wchar_t kGrantedAccessRights[] = L"0x7";
// Packet integrity: every call is authenticated and cannot be altered on the way.
constexpr DWORD kPacketIntegrity = RPC_C_AUTHN_LEVEL_PKT_INTEGRITY;

const wchar_t* const kOwnedValues[] = {L"LaunchPermission", L"AccessPermission",
                                       L"AuthenticationLevel"};

std::wstring SystemMessage(DWORD error) {
    wchar_t text[512] = {};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     0, text, 512, nullptr);
    std::wstring message = text;
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message.empty() ? L"error " + std::to_wstring(error) : message;
}

// The SID text of an account or group name; empty (and error set) when it does not resolve.
std::wstring AccountSidText(const std::wstring& account, DWORD& error) {
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(sid);
    wchar_t domain[256] = {};
    DWORD domainChars = 256;
    SID_NAME_USE use;
    if (account.empty() || !::LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain,
                                                 &domainChars, &use)) {
        error = account.empty() ? ERROR_NONE_MAPPED : ::GetLastError();
        return L"";
    }
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) {
        error = ::GetLastError();
        return L"";
    }
    tesk::UniqueLocalMem owned(text);
    return text;
}

// "AppID\{...}" as the agent's class key names it; empty when it is not registered.
std::wstring AgentAppIdKey() {
    wchar_t appId[64] = {};
    DWORD bytes = sizeof(appId) - sizeof(wchar_t);
    std::wstring classKey = L"CLSID\\" + GuidText(CLSID_Tesk_Agent);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, classKey.c_str(), L"AppID", RRF_RT_REG_SZ, nullptr,
                       appId, &bytes) != ERROR_SUCCESS)
        return L"";
    return std::wstring(L"AppID\\") + appId;
}

HRESULT WriteDescriptor(HKEY key, const wchar_t* name, const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                               &descriptor, nullptr))
        return tesk::LastErrorResult();
    tesk::UniqueLocalMem owned(descriptor);
    return tesk::Win32Result(::RegSetValueExW(key, name, 0, REG_BINARY,
                                              static_cast<const BYTE*>(descriptor),
                                              ::GetSecurityDescriptorLength(descriptor)));
}

std::wstring WithGrants(const wchar_t* entries, const wchar_t* rights,
                        const std::vector<std::wstring>& sids) {
    std::wstring sddl = entries;
    for (const std::wstring& sid : sids) sddl += L"(A;;" + std::wstring(rights) + L";;;" + sid + L")";
    return sddl;
}

}  // namespace

bool ParseAgentAccessOptions(const std::vector<std::wstring>& options,
                             AgentAccessOptions& access) {
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i] == L"--legacy-open-access") {
            access.legacyOpenAccess = true;
        } else if (options[i] == L"--grant" && i + 1 < options.size()) {
            const std::wstring& account = options[++i];
            DWORD error = ERROR_SUCCESS;
            std::wstring sid = AccountSidText(account, error);
            if (sid.empty()) {
                std::fwprintf(stderr, L"--grant: the account '%ls' cannot be resolved: %ls\n",
                              account.c_str(), SystemMessage(error).c_str());
                return false;
            }
            access.grantedSids.push_back(sid);
        } else {
            std::fwprintf(stderr, L"unknown or incomplete option '%ls'\n", options[i].c_str());
            return false;
        }
    }
    return true;
}

void RemoveAgentAccessValues() {
    std::wstring key = AgentAppIdKey();
    if (key.empty()) return;
    for (const wchar_t* value : kOwnedValues)
        ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), value);
}

int ApplyAgentAccess(const AgentAccessOptions& access) {
    if (access.legacyOpenAccess) return 0;
    std::wstring path = AgentAppIdKey();
    tesk::UniqueRegKey key;
    HRESULT hr = path.empty() ? tesk::Win32Result(ERROR_FILE_NOT_FOUND)
                              : tesk::registry::Open(HKEY_CLASSES_ROOT, path.c_str(),
                                                     KEY_SET_VALUE, key);
    if (SUCCEEDED(hr))
        hr = WriteDescriptor(key.get(), L"LaunchPermission",
                             WithGrants(kLaunchEntries, kGrantedLaunchRights, access.grantedSids));
    if (SUCCEEDED(hr))
        hr = WriteDescriptor(key.get(), L"AccessPermission",
                             WithGrants(kAccessEntries, kGrantedAccessRights, access.grantedSids));
    if (SUCCEEDED(hr))
        hr = tesk::registry::WriteDword(key.get(), L"AuthenticationLevel", kPacketIntegrity);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"locking down the agent's AppID failed: %ls\n",
                      SystemMessage(HRESULT_CODE(hr)).c_str());
        return static_cast<int>(hr);
    }
    return 0;
}
