// TeskCtl.exe: the TeskAgent from the command line (docs/teskctl.md).
#include <windows.h>
#include <objbase.h>

#include <map>

#include "teskctl/command_line.h"
#include "teskctl/commands.h"
#include "teskctl/console_text.h"
#include "teskctl/failure.h"

namespace {
using teskctl::CommandOutput;
using teskctl::Invocation;

using Command = CommandOutput (*)(const Invocation&);
const std::map<std::string, Command> kCommands = {
    {"list", teskctl::ListCommand},       {"status", teskctl::StatusCommand},
    {"start", teskctl::StartCommand},     {"stop", teskctl::StopCommand},
    {"service", teskctl::ServiceCommand}, {"info", teskctl::InfoCommand},
    {"plugins", teskctl::PluginsCommand}, {"rot", teskctl::RotCommand},
    {"doctor", teskctl::DoctorCommand},
};

void WriteJson(const nlohmann::json& document) {
    teskctl::WriteOut(teskctl::FromUtf8(
        document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n"));
}

nlohmann::json NullOr(const std::wstring& text) {
    return text.empty() ? nlohmann::json(nullptr) : teskctl::Json(text);
}

int ReportFailure(const teskctl::Failure& failure, bool json) {
    if (json) {
        nlohmann::json error = {
            {"hresult", failure.hasHresult ? nlohmann::json(teskctl::HexJson(failure.hr))
                                           : nlohmann::json(nullptr)},
            {"operation", teskctl::Json(failure.what)},
            {"message", teskctl::Json(failure.message)},
            {"hint", NullOr(failure.hint)}};
        WriteJson({{"error", error}});
    } else {
        std::wstring text = L"teskctl: " + failure.what + L" failed: ";
        if (failure.hasHresult)
            text += teskctl::HexText(static_cast<unsigned long>(failure.hr)) + L" ";
        text += failure.message + L"\n";
        if (!failure.hint.empty()) text += L"hint: " + failure.hint + L"\n";
        teskctl::WriteErr(text);
    }
    return failure.exitCode;
}

// The COM library for this thread, for as long as the program runs.
class ComApartment {
public:
    ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};
}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    const teskctl::ParsedCommandLine parsed = teskctl::ParseCommandLine(arguments);
    // --json counts for a usage error too, wherever it stood.
    bool json = parsed.invocation.json;
    for (const std::wstring& argument : arguments) json = json || argument == L"--json";

    switch (parsed.outcome) {
    case teskctl::ParsedCommandLine::Outcome::Printed:
        teskctl::WriteOut(parsed.text);
        return teskctl::kExitSuccess;
    case teskctl::ParsedCommandLine::Outcome::UsageError: {
        teskctl::Failure usage;
        usage.what = L"reading the command line";
        usage.message = parsed.text;
        usage.hint = L"`teskctl --help` lists the commands and options";
        usage.exitCode = teskctl::kExitUsage;
        return ReportFailure(usage, json);
    }
    case teskctl::ParsedCommandLine::Outcome::Run:
        break;
    }

    ComApartment apartment;
    try {
        if (FAILED(apartment.result()))
            teskctl::ThrowCallFailure(L"initialising COM", apartment.result());
        const CommandOutput output = kCommands.at(parsed.invocation.command)(parsed.invocation);
        if (json)
            WriteJson(output.json);
        else
            teskctl::WriteOut(output.human);
        return output.exitCode;
    } catch (const teskctl::Failure& failure) {
        return ReportFailure(failure, json);
    }
}
