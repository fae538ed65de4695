#pragma once
// What one benchmark run measures and how often.

#include <string>
#include <vector>

namespace bench {

struct Options {
    bool quick = false;
    unsigned repeats = 7;              // samples per call figure
    unsigned batch = 100;              // calls per sample
    unsigned activationRepeats = 7;    // cold starts per server
    unsigned listRepeats = 5;          // samples per GetInstalledServers size
    std::vector<unsigned> sizes = {10, 100, 500, 1000};
    unsigned mixedCalls = 100000;      // calls between the two memory readings
    unsigned nameLookups = 20000;      // in-process GetIDsOfNames per sample
    std::wstring outDir = L".";
    std::string machine;               // described by the caller
};

// Returns false (after a message) on a bad command line.
bool ParseOptions(int argc, wchar_t** argv, Options* options);

}  // namespace bench
