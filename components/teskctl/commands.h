#pragma once
// The commands of TeskCtl. Each gives its result in both forms: the JSON
// document (--json) and the text for a person; a failure throws a Failure.

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

#include "teskctl/command_line.h"

namespace teskctl {

struct CommandOutput {
    nlohmann::json json = nlohmann::json::object();
    std::wstring human;
    int exitCode = 0;
};

CommandOutput ListCommand(const Invocation& invocation);
CommandOutput StatusCommand(const Invocation& invocation);
CommandOutput StartCommand(const Invocation& invocation);
CommandOutput StopCommand(const Invocation& invocation);
CommandOutput ServiceCommand(const Invocation& invocation);
CommandOutput InfoCommand(const Invocation& invocation);
CommandOutput PluginsCommand(const Invocation& invocation);
CommandOutput RotCommand(const Invocation& invocation);
CommandOutput DoctorCommand(const Invocation& invocation);

class AgentSession;
// The server's activity; a server the agent does not know fails with exit code 2.
long KnownServerActivity(AgentSession& session, const std::wstring& server);

// Wide text as a JSON string (UTF-8).
nlohmann::json Json(const std::wstring& text);
// "name: value" lines with the values aligned.
std::wstring NameValueLines(const std::vector<std::pair<std::wstring, std::wstring>>& lines);

}  // namespace teskctl
