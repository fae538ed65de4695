#include "teskctl/security_words.h"

#include <sddl.h>

#include "support/unique_resource.h"

namespace teskctl {

namespace {
// COM's rights bits in launch and access permissions.
constexpr DWORD kExecute = 0x1;
constexpr DWORD kExecuteLocal = 0x2;
constexpr DWORD kExecuteRemote = 0x4;
constexpr DWORD kActivateLocal = 0x8;
constexpr DWORD kActivateRemote = 0x10;

std::wstring RightsWords(DWORD mask, ComRightsKind kind) {
    // The execute bit alone is the older form: every right of its kind.
    if ((mask & ~kExecute) == 0 && (mask & kExecute))
        return kind == ComRightsKind::Launch ? L"launch and activation, local and remote"
                                             : L"local and remote calls";
    struct Bit {
        DWORD bit;
        const wchar_t* launch;
        const wchar_t* access;
    };
    const Bit bits[] = {{kExecuteLocal, L"local launch", L"local calls"},
                        {kExecuteRemote, L"remote launch", L"remote calls"},
                        {kActivateLocal, L"local activation", nullptr},
                        {kActivateRemote, L"remote activation", nullptr}};
    std::wstring words;
    for (const Bit& bit : bits) {
        const wchar_t* word = kind == ComRightsKind::Launch ? bit.launch : bit.access;
        if (!(mask & bit.bit) || !word) continue;
        words += (words.empty() ? L"" : L", ") + std::wstring(word);
    }
    return words.empty() ? L"no rights (mask " + std::to_wstring(mask) + L")" : words;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return ::IsWellKnownSid(sid, type) != FALSE; }
}  // namespace

std::wstring AccountName(PSID sid) {
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameChars = 256, domainChars = 256;
    SID_NAME_USE use;
    if (::LookupAccountSidW(nullptr, sid, name, &nameChars, domain, &domainChars, &use))
        return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    tesk::UniqueLocalMem text;
    if (::ConvertSidToStringSidW(sid, reinterpret_cast<wchar_t**>(text.put())))
        return static_cast<wchar_t*>(text.get());
    return L"(unreadable account)";
}

PermissionWords DescribePermissions(const std::vector<BYTE>& descriptor, ComRightsKind kind) {
    PermissionWords words;
    auto* sd = reinterpret_cast<PSECURITY_DESCRIPTOR>(const_cast<BYTE*>(descriptor.data()));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (descriptor.empty() || !::IsValidSecurityDescriptor(sd) ||
        !::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
        return words;
    words.valid = true;
    if (!present || !dacl) {
        words.lines.push_back(L"no access list: everyone has every right");
        words.openTo.push_back(L"everyone (no access list)");
        return words;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
            continue;
        // Allowed and denied entries share their layout.
        auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &entry->SidStart;
        const bool allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        const std::wstring account = AccountName(sid);
        words.lines.push_back(std::wstring(allow ? L"allow " : L"deny ") + account + L": " +
                              RightsWords(entry->Mask, kind));
        if (allow && (IsWellKnown(sid, WinWorldSid) || IsWellKnown(sid, WinAnonymousSid)))
            words.openTo.push_back(account);
    }
    if (words.lines.empty()) words.lines.push_back(L"empty access list: no one has any right");
    return words;
}

std::wstring AuthenticationLevelWords(DWORD level) {
    switch (level) {
    case 0: return L"0 (default: the machine-wide level)";
    case 1: return L"1 (none: callers are not authenticated)";
    case 2: return L"2 (connect)";
    case 3: return L"3 (call)";
    case 4: return L"4 (packet)";
    case 5: return L"5 (packet integrity)";
    case 6: return L"6 (packet privacy)";
    default: return std::to_wstring(level) + L" (not a defined level)";
    }
}

std::wstring ImpersonationLevelWords(DWORD level) {
    switch (level) {
    case 1: return L"1 (anonymous: servers cannot tell who calls)";
    case 2: return L"2 (identify)";
    case 3: return L"3 (impersonate)";
    case 4: return L"4 (delegate)";
    default: return std::to_wstring(level) + L" (not a defined level)";
    }
}

}  // namespace teskctl
