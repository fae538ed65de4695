// list, status, start, stop, service.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "teskctl/activity_words.h"
#include "teskctl/agent_session.h"
#include "teskctl/commands.h"
#include "teskctl/console_text.h"
#include "teskctl/failure.h"

namespace teskctl {

namespace {
constexpr DWORD kListProgressDelayMs = 1000;
constexpr auto kPollInterval = std::chrono::milliseconds(200);

nlohmann::json ActivityJson(long activity) {
    return {{"activity", activity}, {"state", StateName(activity)}, {"service", ServiceName(activity)}};
}

std::wstring ActivityHex(long activity) {
    return HexText(static_cast<unsigned long>(activity));
}

bool IsRunning(long activity) {
    return StateOf(activity) == kRunning || StateOf(activity) == kStoppable;
}

bool IsStopped(long activity) { return !IsRunning(activity); }

// Polls the activity until done(activity) or the time-out; the last activity.
template <class Done>
long WaitFor(AgentSession& session, const Invocation& invocation, const std::wstring& label,
             Done done, double* seconds) {
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::duration<double>(invocation.timeoutSeconds);
    Progress progress(label, 0);
    long activity = session.Activity(invocation.server);
    while (!done(activity) && std::chrono::steady_clock::now() - start < limit) {
        std::this_thread::sleep_for(kPollInterval);
        activity = session.Activity(invocation.server);
    }
    progress.Stop();
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!done(activity)) {
        wchar_t limitText[32];
        std::swprintf(limitText, 32, L"%g", invocation.timeoutSeconds);
        ThrowFailureWithHresult(L"waiting for \"" + invocation.server + L"\"",
                                HRESULT_FROM_WIN32(ERROR_TIMEOUT),
                                L"not done within " + std::wstring(limitText) + L" s; it is " +
                                    StateWords(activity),
                                kExitOtherFailure);
    }
    return activity;
}

std::wstring SecondsText(double seconds) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f s", seconds);
    return text;
}

// The document and lines of a server after a command.
CommandOutput ServerResult(const Invocation& invocation, long activity) {
    CommandOutput output;
    output.json = ActivityJson(activity);
    output.json["server"] = Json(invocation.server);
    output.human = NameValueLines({{L"server", invocation.server},
                                   {L"state", StateWords(activity)},
                                   {L"service", ServiceWords(activity)},
                                   {L"activity", ActivityHex(activity)}});
    return output;
}
}  // namespace

long KnownServerActivity(AgentSession& session, const std::wstring& server) {
    const long activity = session.Activity(server);
    if (StateOf(activity) == kUnknownServer)
        ThrowFailure(CallText(L"IsServerActive", server),
                     L"the agent does not know the server \"" + server + L"\" (activity " +
                         ActivityHex(activity) + L": unknown server)",
                     L"`teskctl list` shows the installed servers by ProgID and CLSID",
                     kExitUnknownServer);
    return activity;
}

nlohmann::json Json(const std::wstring& text) { return ToUtf8(text); }

std::wstring NameValueLines(const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    size_t width = 0;
    for (const auto& line : lines) width = std::max(width, line.first.size());
    std::wstring text;
    for (const auto& line : lines)
        text += line.first + L":" + std::wstring(width - line.first.size() + 1, L' ') +
                line.second + L"\n";
    return text;
}

CommandOutput ListCommand(const Invocation& invocation) {
    Progress progress(L"listing the installed TeskServers", kListProgressDelayMs);
    AgentSession session(invocation.node);
    const std::vector<InstalledServer> servers = session.InstalledServers();
    progress.Stop();

    CommandOutput output;
    output.json["servers"] = nlohmann::json::array();
    std::vector<std::vector<std::wstring>> rows = {{L"PROGID", L"CLSID", L"STATE", L"SERVICE"}};
    for (const InstalledServer& server : servers) {
        nlohmann::json entry = ActivityJson(server.activity);
        entry["progId"] = Json(server.progId);
        entry["clsid"] = Json(server.clsid);
        output.json["servers"].push_back(entry);
        rows.push_back({server.progId, server.clsid, StateWords(server.activity),
                        ServiceWords(server.activity)});
    }
    if (servers.empty()) {
        output.human = L"no TeskServer is installed\n";
        return output;
    }
    std::vector<size_t> widths(4, 0);
    for (const auto& row : rows)
        for (size_t column = 0; column < 4; ++column)
            widths[column] = std::max(widths[column], row[column].size());
    for (const auto& row : rows) {
        std::wstring line;
        for (size_t column = 0; column < 4; ++column)
            line += column == 3 ? row[column]
                                : row[column] + std::wstring(widths[column] - row[column].size() + 2, L' ');
        output.human += line + L"\n";
    }
    return output;
}

// What a start or stop request reports: the words and field of each.
struct Request {
    const wchar_t* progress;     // "starting " + the server, while waiting
    bool (*done)(long activity);
    const wchar_t* doneText;     // followed by the seconds waited
    const wchar_t* requestedText;
    const char* alreadyField;    // false here: the request was made
};

// After the request: the activity, waited for when asked, and the output.
CommandOutput RequestResult(AgentSession& session, const Invocation& invocation,
                            const Request& request) {
    double seconds = 0;
    const long activity =
        invocation.wait
            ? WaitFor(session, invocation, request.progress + invocation.server, request.done,
                      &seconds)
            : session.Activity(invocation.server);
    CommandOutput output = ServerResult(invocation, activity);
    output.json[request.alreadyField] = false;
    output.json["waited"] = invocation.wait;
    if (invocation.wait) output.json["seconds"] = seconds;
    output.human = (invocation.wait ? request.doneText + SecondsText(seconds)
                                    : std::wstring(request.requestedText)) +
                   L"\n" + output.human;
    return output;
}

CommandOutput StatusCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    return ServerResult(invocation, KnownServerActivity(session, invocation.server));
}

CommandOutput StartCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    long activity = KnownServerActivity(session, invocation.server);
    // StartServer launches a new process on every call: a running server is left alone.
    if (IsRunning(activity)) {
        CommandOutput output = ServerResult(invocation, activity);
        output.json["alreadyRunning"] = true;
        output.human = L"already running\n" + output.human;
        return output;
    }
    session.StartServer(invocation.server);
    return RequestResult(session, invocation, {L"starting ", IsRunning, L"started, running after ",
                                               L"start requested", "alreadyRunning"});
}

CommandOutput StopCommand(const Invocation& invocation) {
    AgentSession session(invocation.node);
    long activity = KnownServerActivity(session, invocation.server);
    if (!IsRunning(activity)) {
        CommandOutput output = ServerResult(invocation, activity);
        output.json["alreadyStopped"] = true;
        output.human = L"not running\n" + output.human;
        return output;
    }
    if (StateOf(activity) == kRunning)
        ThrowFailure(CallText(L"StopServer", invocation.server),
                     L"the server runs but accepts no stop request (it has no stop event)",
                     L"end it the way it was started (as a service: through the Service "
                     L"Control Manager)",
                     kExitOtherFailure);
    session.StopServer(invocation.server);
    return RequestResult(session, invocation, {L"stopping ", IsStopped, L"stopped after ",
                                               L"stop requested", "alreadyStopped"});
}

CommandOutput ServiceCommand(const Invocation& invocation) {
    const long serviceType = invocation.serviceMode == "none"     ? 1
                             : invocation.serviceMode == "demand" ? 2
                                                                  : 3;
    AgentSession session(invocation.node);
    KnownServerActivity(session, invocation.server);
    session.ConfigureService(invocation.server, serviceType);
    // The agent reports failed service steps only in its log: the start mode
    // it reports now tells whether the change took place.
    const long activity = session.Activity(invocation.server);
    if (ServiceName(activity) != invocation.serviceMode)
        ThrowFailure(L"ConfigureNTService(\"" + invocation.server + L"\", " +
                         std::to_wstring(serviceType) + L")",
                     L"the agent accepted the request, but the server is still (or now) "
                     L"configured as: " + ServiceWords(activity),
                     L"creating, changing and deleting services needs administrator rights "
                     L"for the agent's account; the agent's log names the step that failed",
                     kExitOtherFailure);
    CommandOutput output = ServerResult(invocation, activity);
    output.human = L"configured\n" + output.human;
    return output;
}

}  // namespace teskctl
