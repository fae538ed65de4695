#pragma once
// The checks of `teskctl doctor`: each says ok, warning or failed, gives one
// line of advice when it is not ok, and lists what it read.

#include <string>
#include <vector>

namespace teskctl {

enum class CheckResult { Ok, Warning, Failed };

struct Check {
    std::string id;       // stable name for scripts: "agentClass", "launchPermission", ...
    std::wstring title;   // for people
    CheckResult result = CheckResult::Ok;
    std::wstring detail;  // what was found, in words
    std::wstring advice;  // empty when ok
    std::vector<std::wstring> read;  // "<registry value or file> = <what was there>"

    void Fail(const std::wstring& why, const std::wstring& what_to_do);
    void Warn(const std::wstring& why, const std::wstring& what_to_do);
};

// What the registration checks learn for the later ones.
struct AgentInstallation {
    std::wstring executable;  // from LocalServer32
    std::wstring appId;       // from the class's AppID value
};

// The agent's class, AppID, type library and marshaling keys.
std::vector<Check> RegistrationChecks(AgentInstallation& installation);
// The logger and administrator-account libraries where the agent looks for them.
std::vector<Check> LibraryChecks(const AgentInstallation& installation);
// Creating the agent (on node, when given) and calling each of its interfaces.
Check AgentAnswersCheck(const std::wstring& node);
// The AppID's launch and access permissions, authentication level, run-as.
std::vector<Check> AppIdSecurityChecks(const AgentInstallation& installation);
// The machine's DCOM settings under HKLM\SOFTWARE\Microsoft\Ole.
std::vector<Check> MachineDcomChecks();

}  // namespace teskctl
