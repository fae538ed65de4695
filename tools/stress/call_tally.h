#pragma once
// Counts of calls by method, input class and answer, with the unexpected ones
// apart; written by each client to a file and added up by the run.

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

namespace stress {

struct TallyKey {
    std::string method, input;
    HRESULT result;
    bool operator<(const TallyKey& other) const {
        return std::tie(method, input, result) < std::tie(other.method, other.input, other.result);
    }
};

struct TallyCounts {
    unsigned long long calls = 0;
    unsigned long long unexpected = 0;  // wrong HRESULT or wrong contents
};

class CallTally {
public:
    void Add(const char* method, const char* input, HRESULT result, bool expected);
    void Merge(const CallTally& other);
    unsigned long long Calls() const;
    unsigned long long Unexpected() const;
    unsigned long long CallsWhere(bool malformed) const;
    const std::map<TallyKey, TallyCounts>& Entries() const { return entries_; }

    bool Write(const std::wstring& path) const;
    bool Read(const std::wstring& path);

private:
    std::map<TallyKey, TallyCounts> entries_;
};

// Input classes other than "valid", "unknown", "replacing" and "this node".
bool IsMalformedInput(const std::string& input);

}  // namespace stress
