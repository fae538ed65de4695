#include "logger/record_line.h"

#include <cwchar>

namespace tracemill {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes,
                          nullptr, nullptr);
    return utf8;
}

std::string FormatRecordLine(const SYSTEMTIME& localTime, DWORD processId, DWORD threadId,
                             const std::wstring& identity, const std::wstring& level,
                             const wchar_t* text) {
    wchar_t head[96];
    ::_snwprintf(head, 96, L"%04u-%02u-%02u %02u:%02u:%02u.%03u\t%lu\t%lu\t", localTime.wYear,
                 localTime.wMonth, localTime.wDay, localTime.wHour, localTime.wMinute,
                 localTime.wSecond, localTime.wMilliseconds, static_cast<unsigned long>(processId),
                 static_cast<unsigned long>(threadId));
    head[95] = L'\0';

    std::wstring line = head;
    line += identity.empty() ? L"-" : identity;
    line += L'\t';
    line += level;
    line += L'\t';
    const size_t length = text ? ::wcsnlen(text, kMaxTextChars) : 0;
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        line += (c == L'\r' || c == L'\n') ? L' ' : c;
    }
    line += L"\r\n";
    return ToUtf8(line);
}

}  // namespace tracemill
