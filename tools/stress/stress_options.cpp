#include "stress/stress_options.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace stress {

namespace {

const struct {
    const wchar_t* name;
    Mix mix;
} kMixes[] = {
    {L"mixed", Mix::Mixed},
    {L"rot", Mix::Rot},
    {L"malformed", Mix::Malformed},
    {L"lookup", Mix::Lookup},
};

void Usage() {
    std::fwprintf(stderr,
                  L"TeskStress [--clients N] [--calls M] [--rounds R] [--kill-rounds K]\n"
                  L"           [--slow-release MS] [--mix mixed|rot|malformed|lookup]\n"
                  L"           [--method NAME] [--quick]\n"
                  L"Client processes (started by the run): --client --seed S --out FILE\n"
                  L"           [--seconds T] [--key K]\n");
}

bool ParseMix(const wchar_t* text, Mix* mix) {
    for (const auto& known : kMixes)
        if (std::wcscmp(known.name, text) == 0) {
            *mix = known.mix;
            return true;
        }
    return false;
}

}  // namespace

const wchar_t* MixName(Mix mix) {
    for (const auto& known : kMixes)
        if (known.mix == mix) return known.name;
    return L"?";
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](unsigned* target) {
            if (!value) return false;
            *target = static_cast<unsigned>(std::wcstoul(value, nullptr, 10));
            ++i;
            return true;
        };
        bool ok = true;
        if (arg == L"--clients") ok = number(&options->clients);
        else if (arg == L"--calls") ok = number(&options->calls);
        else if (arg == L"--rounds") ok = number(&options->rounds);
        else if (arg == L"--kill-rounds") ok = number(&options->killRounds);
        else if (arg == L"--slow-release") ok = number(&options->slowReleaseMs);
        else if (arg == L"--seed") ok = number(&options->seed);
        else if (arg == L"--seconds") ok = number(&options->seconds);
        else if (arg == L"--client") options->client = true;
        else if (arg == L"--quick") {
            options->clients = 3;
            options->calls = 150;
            options->rounds = 2;
            options->killRounds = 1;
        } else if (arg == L"--mix" && value) ok = ParseMix(argv[++i], &options->mix);
        else if (arg == L"--key" && value) options->key = argv[++i];
        else if (arg == L"--method" && value) options->method = argv[++i];
        else if (arg == L"--out" && value) options->out = argv[++i];
        else ok = false;
        if (!ok) {
            Usage();
            return false;
        }
    }
    return true;
}

}  // namespace stress
