#include "sample_server/server_options.h"

#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "sample_server/common/sample_identity.h"
#include "support/unique_resource.h"

namespace tesk_sample {
namespace {

// "-name" and "/name" both count; names are compared without regard to case,
// so "-service" from the service's binary path and "-Service" from COM match.
bool IsSwitch(const std::wstring& argument, const wchar_t* name) {
    if (argument.size() < 2 || (argument[0] != L'-' && argument[0] != L'/')) return false;
    return ::lstrcmpiW(argument.c_str() + 1, name) == 0;
}

bool ParseNumber(const std::wstring& text, long* value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    errno = 0;
    long number = std::wcstol(text.c_str(), &end, 0);
    if (errno != 0 || *end != L'\0') return false;
    *value = number;
    return true;
}

const wchar_t* EventModeName(EventMode mode) {
    switch (mode) {
        case EventMode::None: return L"none";
        case EventMode::Presence: return L"presence";
        case EventMode::Stoppable: return L"stoppable";
    }
    return L"";
}

const wchar_t* PublicationName(Publication publication) {
    switch (publication) {
        case Publication::None: return L"none";
        case Publication::TeskRot: return L"tesk";
        case Publication::Platform: return L"platform";
        case Publication::Both: return L"both";
    }
    return L"";
}

// The one of values whose name (as nameOf writes it for the run arguments) the
// text is, without regard to case.
template <class Value, size_t Count>
bool ParseName(const std::wstring& text, const Value (&values)[Count],
               const wchar_t* (*nameOf)(Value), Value* out) {
    for (Value value : values) {
        if (::lstrcmpiW(text.c_str(), nameOf(value)) == 0) {
            *out = value;
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring ServerOptions::RunArguments() const {
    // Defaults are left out: instance 1 with default options registers the
    // bare executable path, as most servers do.
    std::wstring text;
    if (instance != kFirstInstance) text += L" -instance " + std::to_wstring(instance);
    if (events != EventMode::Stoppable) text += std::wstring(L" -events ") + EventModeName(events);
    if (publication != Publication::Both)
        text += std::wstring(L" -publish ") + PublicationName(publication);
    if (valueGiven) text += L" -value " + std::to_wstring(value);
    return text;  // empty, or starting with a blank
}

ServerOptions ParseServerOptions(const wchar_t* commandLine) {
    ServerOptions options;
    int count = 0;
    tesk::UniqueLocalMem block(::CommandLineToArgvW(commandLine, &count));
    wchar_t** argv = static_cast<wchar_t**>(block.get());
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);

    auto refuse = [&](const std::wstring& why) {
        options.action = Action::Invalid;
        options.error = why;
        return options;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (IsSwitch(arg, L"RegServer")) {
            options.action = Action::RegServer;
        } else if (IsSwitch(arg, L"UnregServer")) {
            options.action = Action::UnregServer;
        } else if (IsSwitch(arg, L"service")) {
            options.service = true;
        } else if (IsSwitch(arg, L"Embedding") || IsSwitch(arg, L"Automation")) {
            // Started by COM: runs like any other start.
        } else if (IsSwitch(arg, L"noprogid")) {
            options.withoutProgId = true;
        } else if (IsSwitch(arg, L"instance") && hasValue) {
            long number = 0;
            if (!ParseNumber(args[++i], &number) || number < static_cast<long>(kFirstInstance) ||
                number > static_cast<long>(kLastInstance))
                return refuse(L"-instance takes a number from 1 to 65535");
            options.instance = static_cast<unsigned>(number);
        } else if (IsSwitch(arg, L"events") && hasValue) {
            const EventMode modes[] = {EventMode::None, EventMode::Presence, EventMode::Stoppable};
            if (!ParseName(args[++i], modes, EventModeName, &options.events))
                return refuse(L"-events takes none, presence or stoppable");
        } else if (IsSwitch(arg, L"publish") && hasValue) {
            const Publication places[] = {Publication::None, Publication::TeskRot,
                                          Publication::Platform, Publication::Both};
            if (!ParseName(args[++i], places, PublicationName, &options.publication))
                return refuse(L"-publish takes none, tesk, platform or both");
        } else if (IsSwitch(arg, L"value") && hasValue) {
            if (!ParseNumber(args[++i], &options.value)) return refuse(L"-value takes a number");
            options.valueGiven = true;
        } else {
            return refuse(L"unknown argument: " + arg);
        }
    }
    if (!options.valueGiven) options.value = DefaultPropertyValue(options.instance);
    return options;
}

}  // namespace tesk_sample
