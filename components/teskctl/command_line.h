#pragma once
// TeskCtl's command line: the commands, their arguments and the options every
// command takes, parsed with CLI11 from the wide command line turned to UTF-8.

#include <string>
#include <vector>

namespace teskctl {

struct Invocation {
    std::string command;        // "list", "status", ... "doctor"
    std::wstring server;        // ProgID or CLSID text
    std::wstring rotKey;        // rot <guid>, passed on unchanged
    std::string serviceMode;    // "none", "demand", "auto"
    bool wait = false;
    double timeoutSeconds = 30;
    std::wstring node;          // empty: this node
    bool json = false;
};

struct ParsedCommandLine {
    enum class Outcome { Run, Printed, UsageError } outcome = Outcome::Run;
    Invocation invocation;
    std::wstring text;  // help or version (Printed), the complaint (UsageError)
};

// arguments excludes the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace teskctl
