#include "teskctl/command_line.h"

#include <CLI/CLI.hpp>

#include "teskctl/console_text.h"

namespace teskctl {

namespace {
struct Texts {
    std::string server, rotKey, node;
};

CLI::App* AddServerCommand(CLI::App& app, const char* name, const char* description,
                           Texts& texts) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("server", texts.server, "ProgID or CLSID text of the TeskServer")
        ->required();
    return command;
}

void AddWaitOptions(CLI::App* command, Invocation& invocation) {
    command->add_flag("--wait", invocation.wait, "return once the change has happened");
    command->add_option("--timeout", invocation.timeoutSeconds,
                        "seconds to wait with --wait (default 30)")
        ->check(CLI::PositiveNumber);
}
}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    ParsedCommandLine parsed;
    Invocation& invocation = parsed.invocation;
    Texts texts;

    CLI::App app{"teskctl: lists, queries, starts, stops and configures TeskServers through the "
                 "TeskAgent",
                 "teskctl"};
    app.set_version_flag("--version", TESK_PRODUCT_VERSION);
    app.require_subcommand(1);
    // The common options are accepted before and after the command.
    app.fallthrough();
    app.add_option("--node", texts.node, "use the agent on this node");
    app.add_flag("--json", invocation.json, "write one JSON document to standard output");

    app.add_subcommand("list", "every installed TeskServer: ProgID, CLSID, state, service");
    AddServerCommand(app, "status", "one server's activity, decoded", texts);
    AddWaitOptions(AddServerCommand(app, "start", "start a server", texts), invocation);
    AddWaitOptions(AddServerCommand(app, "stop", "ask a server to stop", texts), invocation);
    CLI::App* service = AddServerCommand(
        app, "service", "configure a server as no, an on-demand or an automatic NT service", texts);
    service->add_option("mode", invocation.serviceMode, "none, demand or auto")
        ->required()
        ->check(CLI::IsMember({"none", "demand", "auto"}));
    AddServerCommand(app, "info",
                     "configuration file, properties 1-4 and module version attributes", texts);
    app.add_subcommand("plugins", "the ProgIDs of the installed I/O plug-ins");
    app.add_subcommand("rot", "whether the agent's running-object table holds an entry")
        ->add_option("guid", texts.rotKey, "the key, passed unchanged (keys are case-sensitive)")
        ->required();
    app.add_subcommand("doctor", "check the installation");

    std::vector<std::string> narrow;
    for (const std::wstring& argument : arguments) narrow.push_back(ToUtf8(argument));
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(narrow.rbegin(), narrow.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.outcome = ParsedCommandLine::Outcome::Printed;
        parsed.text = FromUtf8(app.help());
        return parsed;
    } catch (const CLI::CallForAllHelp&) {
        parsed.outcome = ParsedCommandLine::Outcome::Printed;
        parsed.text = FromUtf8(app.help("", CLI::AppFormatMode::All));
        return parsed;
    } catch (const CLI::CallForVersion&) {
        parsed.outcome = ParsedCommandLine::Outcome::Printed;
        parsed.text = L"teskctl " + FromUtf8(TESK_PRODUCT_VERSION) + L"\n";
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.outcome = ParsedCommandLine::Outcome::UsageError;
        parsed.text = FromUtf8(error.what());
        // A word that is no command reads better as such than as a missing one.
        for (const std::string& argument : narrow) {
            if (argument.empty() || argument[0] == '-' || argument == texts.node) continue;
            if (app.get_subcommands().empty())
                parsed.text = L"unknown command \"" + FromUtf8(argument) +
                              L"\" (commands: list, status, start, stop, service, info, plugins, "
                              L"rot, doctor)";
            break;
        }
        return parsed;
    }
    for (CLI::App* command : app.get_subcommands()) invocation.command = command->get_name();
    invocation.server = FromUtf8(texts.server);
    invocation.rotKey = FromUtf8(texts.rotKey);
    invocation.node = FromUtf8(texts.node);
    return parsed;
}

}  // namespace teskctl
