#pragma once
// One record as one line of the log file, in UTF-8:
//   local time with milliseconds, process id, thread id, identity, level, text
// separated by tabs and ended by CR LF. Line breaks inside the text become
// blanks so that a record never spans two lines.

#include <windows.h>

#include <string>

namespace tracemill {

// Texts longer than this are cut.
constexpr size_t kMaxTextChars = 32768;

std::string FormatRecordLine(const SYSTEMTIME& localTime, DWORD processId, DWORD threadId,
                             const std::wstring& identity, const std::wstring& level,
                             const wchar_t* text);

std::string ToUtf8(const std::wstring& text);

}  // namespace tracemill
