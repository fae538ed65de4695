#pragma once
// Logger flags: the eleven standard flags (one per record level) and flags
// that clients register by number and name. A flag value is one bit: bit n
// for standard flag index n (0 to 10) or registered flag number n (11 to 31).

#include <windows.h>

#include <string>
#include <vector>

namespace tracemill {

constexpr DWORD kStandardFlagCount = 11;
constexpr DWORD kFirstRegisteredFlag = 11;
constexpr DWORD kLastRegisteredFlag = 31;

enum StandardFlag : DWORD {
    FLAG_ERROR,
    FLAG_WARNING,
    FLAG_INFO,
    FLAG_TRACE,
    FLAG_STARTSTOP,
    FLAG_ENTRYEXIT,
    FLAG_THREADSTARTSTOP,
    FLAG_SQL,
    FLAG_CONNECTION,
    FLAG_CTORDTOR,
    FLAG_REFCOUNT,
};

// "Error", "Warning", ... as administrators write them in the configuration.
const wchar_t* StandardFlagName(DWORD index);

inline DWORD FlagValue(DWORD number) { return number <= kLastRegisteredFlag ? 1u << number : 0; }

// Which flags are on: a list of flag names (standard or registered), or "*" for all.
class FlagSelection {
public:
    // Parses names separated by ';', ',' or blanks; names compare without case.
    static FlagSelection Parse(const std::wstring& text);
    bool Contains(const std::wstring& name) const;

private:
    bool all_ = false;
    std::vector<std::wstring> names_;
};

}  // namespace tracemill
