// Doctor: the agent's AppID security settings and the machine's DCOM settings.
#include <windows.h>

#include "teskctl/doctor_checks.h"
#include "teskctl/registry_reader.h"
#include "teskctl/security_words.h"

namespace teskctl {

namespace {
const wchar_t kOleKey[] = L"SOFTWARE\\Microsoft\\Ole";

std::wstring Joined(const std::vector<std::wstring>& lines, const wchar_t* separator) {
    std::wstring text;
    for (const std::wstring& line : lines) text += (text.empty() ? L"" : separator) + line;
    return text;
}

Check PermissionCheck(const char* id, const wchar_t* title, HKEY root, const std::wstring& key,
                      const wchar_t* value, ComRightsKind kind, const wchar_t* whenMissing,
                      bool warnOpen) {
    Check check{id, title};
    const RegistryValue stored = ReadValue(root, key, value, check.read);
    if (!stored.found) {
        check.detail = whenMissing;
        return check;
    }
    const PermissionWords words = DescribePermissions(stored.data, kind);
    if (!words.valid) {
        check.Fail(std::wstring(value) + L" is not a valid security descriptor",
                   L"reinstall the agent, which writes it again");
        return check;
    }
    check.detail = Joined(words.lines, L"; ");
    for (const std::wstring& line : words.lines) check.read.push_back(L"  " + line);
    if (warnOpen && !words.openTo.empty())
        check.Warn((kind == ComRightsKind::Launch ? L"anyone who reaches this node may start "
                                                    L"the agent (allowed: "
                                                  : L"anyone who reaches this node may call "
                                                    L"the agent (allowed: ") +
                       Joined(words.openTo, L", ") + L")",
                   L"install the agent without open access (the default of TeskInstall) and "
                   L"grant the operators' group instead");
    return check;
}

Check AuthenticationCheck(const std::wstring& appIdKey) {
    Check check{"authenticationLevel", L"agent authentication level"};
    const RegistryValue level = ReadValue(HKEY_CLASSES_ROOT, appIdKey, L"AuthenticationLevel", check.read);
    if (!level.found) {
        check.detail = L"not set: the machine-wide level applies (LegacyAuthenticationLevel)";
        return check;
    }
    check.detail = AuthenticationLevelWords(level.Dword());
    if (level.Dword() == 1)
        check.Warn(check.detail, L"use 5 (packet integrity), as the default installation does");
    return check;
}

Check RunAsCheck(const std::wstring& appIdKey) {
    Check check{"runAs", L"agent run-as identity"};
    const RegistryValue runAs = ReadValue(HKEY_CLASSES_ROOT, appIdKey, L"RunAs", check.read);
    const std::wstring account = runAs.Text();
    if (!runAs.found || account.empty()) {
        check.detail = L"the launching user (no RunAs): each caller's own account starts an agent";
        return check;
    }
    if (_wcsicmp(account.c_str(), L"Interactive User") == 0) {
        check.detail = L"the interactive user: the agent cannot start while no one is logged on";
        return check;
    }
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    wchar_t domain[256];
    DWORD domainChars = 256;
    SID_NAME_USE use;
    if (!::LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainChars, &use)) {
        check.Warn(L"the account " + account + L" is not known on this node",
                   L"set an existing account (the administrator-account library does so at "
                   L"registration); activation fails with 0x8000401A otherwise");
        return check;
    }
    check.detail = L"the account " + account + L" (" + AccountName(sid) + L")";
    return check;
}

Check DcomEnabledCheck() {
    Check check{"dcomEnabled", L"DCOM enabled on this node"};
    const RegistryValue enabled = ReadValue(HKEY_LOCAL_MACHINE, kOleKey, L"EnableDCOM", check.read);
    const std::wstring text = enabled.Text();
    if (!enabled.found) {
        check.detail = L"not set: enabled";
    } else if (!text.empty() && (text[0] == L'N' || text[0] == L'n')) {
        check.Warn(L"EnableDCOM is \"N\": other nodes cannot reach the agent, and --node fails",
                   L"set EnableDCOM to \"Y\" where remote use is wanted");
    } else {
        check.detail = L"enabled";
    }
    return check;
}

Check MachineAuthenticationCheck() {
    Check check{"machineAuthentication", L"machine-wide authentication and impersonation"};
    const RegistryValue authentication =
        ReadValue(HKEY_LOCAL_MACHINE, kOleKey, L"LegacyAuthenticationLevel", check.read);
    const RegistryValue impersonation =
        ReadValue(HKEY_LOCAL_MACHINE, kOleKey, L"LegacyImpersonationLevel", check.read);
    check.detail = L"authentication " +
                   (authentication.found ? AuthenticationLevelWords(authentication.Dword())
                                         : std::wstring(L"not set (2, connect)")) +
                   L"; impersonation " +
                   (impersonation.found ? ImpersonationLevelWords(impersonation.Dword())
                                        : std::wstring(L"not set (2, identify)"));
    if (authentication.found && authentication.Dword() == 1)
        check.Warn(check.detail, L"set LegacyAuthenticationLevel to 2 (connect) or more");
    else if (impersonation.found && impersonation.Dword() == 1)
        check.Warn(check.detail, L"set LegacyImpersonationLevel to 2 (identify) or more");
    return check;
}
}  // namespace

std::vector<Check> AppIdSecurityChecks(const AgentInstallation& installation) {
    if (installation.appId.empty()) return {};
    const std::wstring key = L"AppID\\" + installation.appId;
    return {PermissionCheck("launchPermission", L"who may launch the agent", HKEY_CLASSES_ROOT, key,
                            L"LaunchPermission", ComRightsKind::Launch,
                            L"not set: the machine's default launch permission applies", true),
            PermissionCheck("accessPermission", L"who may call the agent", HKEY_CLASSES_ROOT, key,
                            L"AccessPermission", ComRightsKind::Access,
                            L"not set: the machine's default access permission applies", true),
            AuthenticationCheck(key), RunAsCheck(key)};
}

std::vector<Check> MachineDcomChecks() {
    return {DcomEnabledCheck(), MachineAuthenticationCheck(),
            PermissionCheck("machineLaunchRestriction", L"machine-wide launch limits",
                            HKEY_LOCAL_MACHINE, kOleKey, L"MachineLaunchRestriction",
                            ComRightsKind::Launch, L"not set: the system's default limits apply", false),
            PermissionCheck("machineAccessRestriction", L"machine-wide access limits",
                            HKEY_LOCAL_MACHINE, kOleKey, L"MachineAccessRestriction",
                            ComRightsKind::Access, L"not set: the system's default limits apply", false)};
}

}  // namespace teskctl
