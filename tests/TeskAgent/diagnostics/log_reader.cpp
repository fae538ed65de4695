#include "TeskAgent/diagnostics/log_reader.h"

#include <cwctype>

#include "support/test_support.h"
#include "support/unique_resource.h"

namespace tesk_test {

namespace {
bool IsTime(const std::wstring& time) {
    const std::wstring shape = L"dddd-dd-dd dd:dd:dd.ddd";
    if (time.size() != shape.size()) return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == L'd' ? !std::iswdigit(time[i]) : time[i] != shape[i]) return false;
    }
    return true;
}

LogRecord ParseLine(const std::wstring& line) {
    LogRecord record;
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (int i = 0; i < 5; ++i) {
        size_t tab = line.find(L'\t', start);
        if (tab == std::wstring::npos) return record;
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    record.time = fields[0];
    record.pid = static_cast<DWORD>(std::wcstoul(fields[1].c_str(), nullptr, 10));
    record.tid = static_cast<DWORD>(std::wcstoul(fields[2].c_str(), nullptr, 10));
    record.identity = fields[3];
    record.level = fields[4];
    record.text = line.substr(start);
    record.wellFormed = IsTime(record.time) && record.pid != 0 && record.tid != 0 &&
                        !record.level.empty() && record.text.find(L'\n') == std::wstring::npos &&
                        record.text.find(L'\r') == std::wstring::npos;
    return record;
}
}  // namespace

std::vector<LogRecord> ParseLog(const std::string& utf8) {
    std::vector<LogRecord> records;
    size_t start = 0;
    for (;;) {
        size_t end = utf8.find("\r\n", start);
        if (end == std::string::npos) break;
        records.push_back(ParseLine(ToWide(utf8.substr(start, end - start))));
        start = end + 2;
    }
    return records;
}

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring ConfiguredLogFile() {
    std::wstring folder = ReadString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quellix\\Framework\\Logger",
                                     L"LogFolder");
    if (folder.empty()) return {};
    if (folder.back() != L'\\') folder += L'\\';
    return folder + L"Tracemill.log";
}

LogTail::LogTail(std::wstring path) : path_(std::move(path)), start_(FileSize(path_)) {}

std::vector<LogRecord> LogTail::Records() const { return ParseLog(ReadFileBytes(path_, start_)); }

std::vector<LogRecord> LogTail::RecordsOf(DWORD pid, const std::wstring& identity) const {
    std::vector<LogRecord> mine;
    for (LogRecord& record : Records()) {
        if (record.pid == pid && (identity.empty() || record.identity == identity))
            mine.push_back(std::move(record));
    }
    return mine;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace tesk_test
