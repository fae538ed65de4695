#include "stress/call_tally.h"

#include <cstdio>
#include <sstream>

namespace stress {

void CallTally::Add(const char* method, const char* input, HRESULT result, bool expected) {
    TallyCounts& counts = entries_[{method, input, result}];
    ++counts.calls;
    if (!expected) ++counts.unexpected;
}

void CallTally::Merge(const CallTally& other) {
    for (const auto& [key, counts] : other.entries_) {
        entries_[key].calls += counts.calls;
        entries_[key].unexpected += counts.unexpected;
    }
}

unsigned long long CallTally::Calls() const {
    unsigned long long total = 0;
    for (const auto& entry : entries_) total += entry.second.calls;
    return total;
}

unsigned long long CallTally::Unexpected() const {
    unsigned long long total = 0;
    for (const auto& entry : entries_) total += entry.second.unexpected;
    return total;
}

unsigned long long CallTally::CallsWhere(bool malformed) const {
    unsigned long long total = 0;
    for (const auto& [key, counts] : entries_)
        if (IsMalformedInput(key.input) == malformed) total += counts.calls;
    return total;
}

bool IsMalformedInput(const std::string& input) {
    return input != "valid" && input != "unknown" && input != "replacing" && input != "this node";
}

// One line per entry: method, input, HRESULT, calls, unexpected; tab-separated.
bool CallTally::Write(const std::wstring& path) const {
    std::FILE* file = ::_wfopen(path.c_str(), L"w");
    if (!file) return false;
    for (const auto& [key, counts] : entries_)
        std::fprintf(file, "%s\t%s\t%08lx\t%llu\t%llu\n", key.method.c_str(), key.input.c_str(),
                     static_cast<unsigned long>(key.result), counts.calls, counts.unexpected);
    return std::fclose(file) == 0;
}

bool CallTally::Read(const std::wstring& path) {
    std::FILE* file = ::_wfopen(path.c_str(), L"r");
    if (!file) return false;
    char line[512];
    while (std::fgets(line, sizeof(line), file)) {
        std::istringstream fields(line);
        std::string method, input, result;
        TallyCounts counts;
        if (!std::getline(fields, method, '\t') || !std::getline(fields, input, '\t') ||
            !std::getline(fields, result, '\t') || !(fields >> counts.calls >> counts.unexpected))
            continue;
        TallyKey key{method, input, static_cast<HRESULT>(std::stoul(result, nullptr, 16))};
        entries_[key].calls += counts.calls;
        entries_[key].unexpected += counts.unexpected;
    }
    std::fclose(file);
    return true;
}

}  // namespace stress
