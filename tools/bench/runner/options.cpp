#include "bench/runner/options.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace bench {

namespace {

std::string Narrow(const wchar_t* text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::vector<unsigned> ParseSizes(const wchar_t* text) {
    std::vector<unsigned> sizes;
    for (const wchar_t* p = text; *p;) {
        wchar_t* end = nullptr;
        unsigned long value = std::wcstoul(p, &end, 10);
        if (end == p) break;
        sizes.push_back(static_cast<unsigned>(value));
        p = *end ? end + 1 : end;
    }
    return sizes;
}

}  // namespace

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--quick") {
            // Keeps the programs building and running: small sizes, few repeats.
            options->quick = true;
            options->repeats = 3;
            options->batch = 20;
            options->activationRepeats = 2;
            options->listRepeats = 2;
            options->sizes = {10, 20};
            options->mixedCalls = 2000;
            options->nameLookups = 2000;
        } else if (arg == L"--out" && hasValue) {
            options->outDir = argv[++i];
        } else if (arg == L"--machine" && hasValue) {
            options->machine = Narrow(argv[++i]);
        } else if (arg == L"--sizes" && hasValue) {
            options->sizes = ParseSizes(argv[++i]);
        } else if (arg == L"--repeats" && hasValue) {
            options->repeats = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (arg == L"--mixed-calls" && hasValue) {
            options->mixedCalls = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        } else {
            std::fwprintf(stderr,
                          L"usage: TeskBench [--quick] [--out <folder>] [--machine <text>]\n"
                          L"                 [--sizes 10,100,...] [--repeats n] [--mixed-calls n]\n");
            return false;
        }
    }
    return !options->sizes.empty() && options->repeats > 0;
}

}  // namespace bench
