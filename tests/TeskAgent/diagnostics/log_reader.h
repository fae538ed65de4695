#pragma once
// Reading the logger's log file: its lines parsed into records, and the part
// of the file written since a given moment.

#include <windows.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace tesk_test {

struct LogRecord {
    bool wellFormed = false;  // six tab-separated fields, time as yyyy-mm-dd hh:mm:ss.mmm
    std::wstring time;
    DWORD pid = 0;
    DWORD tid = 0;
    std::wstring identity;
    std::wstring level;
    std::wstring text;
};

// Lines of UTF-8 text ended by CR LF; a last line without its end is not a record yet.
std::vector<LogRecord> ParseLog(const std::string& utf8);

LONGLONG FileSize(const std::wstring& path);

// The log file configured for all clients in the prefix (HKLM logger key).
std::wstring ConfiguredLogFile();

// The records appended to a log file after this object was made.
class LogTail {
public:
    explicit LogTail(std::wstring path = ConfiguredLogFile());
    std::vector<LogRecord> Records() const;
    // Only the records of one process (and one identity, when given).
    std::vector<LogRecord> RecordsOf(DWORD pid, const std::wstring& identity = L"") const;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    LONGLONG start_;
};

bool StartsWith(const std::wstring& text, const std::wstring& prefix);

}  // namespace tesk_test
