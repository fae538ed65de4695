#pragma once
// Who may launch and call the installed agent: the DCOM permissions of its
// AppID, which the installation step sets after the agent has registered.

#include <windows.h>

#include <string>
#include <vector>

struct AgentAccessOptions {
    // Accounts or groups given Administrators' rights (--grant), as SID text.
    std::vector<std::wstring> grantedSids;
    // --legacy-open-access: keep the open grants the agent's registration writes.
    bool legacyOpenAccess = false;
};

// Reads "[--grant <account>]... [--legacy-open-access]"; false, with a
// message on the standard error, for an unknown option, a --grant without an
// account or an account that does not resolve.
bool ParseAgentAccessOptions(const std::vector<std::wstring>& options,
                             AgentAccessOptions& access);

// The AppID values the installation step owns (LaunchPermission,
// AccessPermission, AuthenticationLevel) removed from the agent's AppID key.
void RemoveAgentAccessValues();

// Replaces the agent's launch and access permissions and authentication level
// by the locked-down configuration plus the granted accounts; does nothing in
// legacy mode. Returns 0 or a failure code, with a message on standard error.
int ApplyAgentAccess(const AgentAccessOptions& access);
