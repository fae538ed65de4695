// doctor: runs the checks and reports them.
#include <cstring>

#include "teskctl/commands.h"
#include "teskctl/doctor_checks.h"
#include "teskctl/failure.h"

namespace teskctl {

namespace {
const char* ResultName(CheckResult result) {
    switch (result) {
    case CheckResult::Ok: return "ok";
    case CheckResult::Warning: return "warning";
    default: return "failed";
    }
}

void Append(std::vector<Check>& checks, std::vector<Check> more) {
    for (Check& check : more) checks.push_back(std::move(check));
}
}  // namespace

CommandOutput DoctorCommand(const Invocation& invocation) {
    std::vector<Check> checks;
    AgentInstallation installation;
    Append(checks, RegistrationChecks(installation));
    Append(checks, LibraryChecks(installation));
    checks.push_back(AgentAnswersCheck(invocation.node));
    Append(checks, AppIdSecurityChecks(installation));
    Append(checks, MachineDcomChecks());

    CommandOutput output;
    output.json["checks"] = nlohmann::json::array();
    int counts[3] = {0, 0, 0};
    for (const Check& check : checks) {
        ++counts[static_cast<int>(check.result)];
        nlohmann::json entry = {{"id", check.id},
                                {"title", Json(check.title)},
                                {"result", ResultName(check.result)},
                                {"detail", Json(check.detail)},
                                {"advice", Json(check.advice)},
                                {"read", nlohmann::json::array()}};
        for (const std::wstring& line : check.read) entry["read"].push_back(Json(line));
        output.json["checks"].push_back(entry);

        const char* name = ResultName(check.result);
        output.human += L"[" + std::wstring(name, name + std::strlen(name)) + L"] " + check.title +
                        L": " + check.detail + L"\n";
        if (!check.advice.empty()) output.human += L"    advice: " + check.advice + L"\n";
        for (const std::wstring& line : check.read) output.human += L"    read: " + line + L"\n";
    }
    output.json["summary"] = {{"ok", counts[0]}, {"warning", counts[1]}, {"failed", counts[2]}};
    output.human += std::to_wstring(counts[0]) + L" ok, " + std::to_wstring(counts[1]) +
                    L" warning(s), " + std::to_wstring(counts[2]) + L" failed\n";
    output.exitCode = counts[2] == 0 ? kExitSuccess : kExitOtherFailure;
    return output;
}

}  // namespace teskctl
